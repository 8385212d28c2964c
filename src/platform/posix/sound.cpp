// Sound service on Linux: ALSA's library loaded at run time, so the logger runs without it.
#include "platform/sound.h"

#include <dlfcn.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The few ALSA entry points used, declared here so that no ALSA headers are needed to build.
struct snd_pcm_t;
constexpr int streamPlayback = 0;
constexpr int openNonBlocking = 1;
constexpr int formatS16LittleEndian = 2;
constexpr int accessInterleaved = 3;
using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);

struct Alsa {
    void* library = nullptr;
    int (*open)(snd_pcm_t**, const char*, int, int) = nullptr;
    int (*setParams)(snd_pcm_t*, int, int, unsigned, unsigned, int, unsigned) = nullptr;
    int (*drop)(snd_pcm_t*) = nullptr;
    int (*prepare)(snd_pcm_t*) = nullptr;
    long (*writei)(snd_pcm_t*, const void*, unsigned long) = nullptr;
    int (*start)(snd_pcm_t*) = nullptr;
    int (*close)(snd_pcm_t*) = nullptr;
    int (*setErrorHandler)(ErrorHandler) = nullptr;
    int (*freeGlobalConfig)() = nullptr;
    snd_pcm_t* device = nullptr;
    unsigned rate = 0;  // of the first tone loaded, which set the device's parameters
    std::array<std::vector<std::int16_t>, 2> tones;  // empty when one did not load
};
Alsa alsa;

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

template <typename Function>
bool lookUp(Function& function, const char* name)
{
    function = reinterpret_cast<Function>(dlsym(alsa.library, name));
    return function != nullptr;
}

std::uint32_t readLittleEndian(const unsigned char* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

// ALSA keeps the configuration it read on opening in a global tree that only this frees;
// unloaded with the library, it would be lost memory.
void unloadAlsa()
{
    if (alsa.freeGlobalConfig != nullptr) alsa.freeGlobalConfig();
    dlclose(alsa.library);
}

}  // namespace

namespace platform {

bool soundStart()
{
    alsa.library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (alsa.library == nullptr) return false;
    lookUp(alsa.freeGlobalConfig, "snd_config_update_free_global");
    if (lookUp(alsa.open, "snd_pcm_open") && lookUp(alsa.setParams, "snd_pcm_set_params") &&
        lookUp(alsa.drop, "snd_pcm_drop") && lookUp(alsa.prepare, "snd_pcm_prepare") &&
        lookUp(alsa.writei, "snd_pcm_writei") && lookUp(alsa.start, "snd_pcm_start") &&
        lookUp(alsa.close, "snd_pcm_close") &&
        lookUp(alsa.setErrorHandler, "snd_lib_error_set_handler")) {
        // Without a sound card ALSA would complain on standard error; silence is wanted.
        alsa.setErrorHandler(ignoreAlsaError);
        if (alsa.open(&alsa.device, "default", streamPlayback, openNonBlocking) == 0) return true;
    }
    alsa.device = nullptr;
    unloadAlsa();
    alsa.library = nullptr;
    return false;
}

void soundLoad(Tone tone, const unsigned char* waveFile, std::size_t size)
{
    // Only the layout of the built-in tones is accepted: PCM, mono, 16 bits.
    if (alsa.device == nullptr || size < 44 || std::memcmp(waveFile, "RIFF", 4) != 0 ||
        std::memcmp(waveFile + 8, "WAVEfmt ", 8) != 0 || std::memcmp(waveFile + 36, "data", 4) != 0)
        return;
    const std::uint32_t format = readLittleEndian(waveFile + 20, 2);
    const std::uint32_t channels = readLittleEndian(waveFile + 22, 2);
    const std::uint32_t rate = readLittleEndian(waveFile + 24, 4);
    const std::uint32_t bits = readLittleEndian(waveFile + 34, 2);
    const std::uint32_t dataSize = readLittleEndian(waveFile + 40, 4);
    if (format != 1 || channels != 1 || bits != 16 || dataSize > size - 44) return;
    // A buffer of a second holds the longest tone whole, so that one write without waiting plays
    // all of it.
    if (alsa.rate == 0 && alsa.setParams(alsa.device, formatS16LittleEndian, accessInterleaved, 1, rate, 1, 1000000) == 0)
        alsa.rate = rate;
    if (alsa.rate != rate) return;
    std::vector<std::int16_t>& samples = alsa.tones[static_cast<std::size_t>(tone)];
    samples.resize(dataSize / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(readLittleEndian(waveFile + 44 + 2 * i, 2));
}

void soundPlay(Tone tone)
{
    const std::vector<std::int16_t>& samples = alsa.tones[static_cast<std::size_t>(tone)];
    if (alsa.device == nullptr || samples.empty()) return;
    alsa.drop(alsa.device);
    alsa.prepare(alsa.device);
    alsa.writei(alsa.device, samples.data(), samples.size());
    // The device would wait for a full buffer before it starts, which a short tone never fills.
    alsa.start(alsa.device);
}

void soundStop()
{
    if (alsa.device != nullptr) {
        alsa.drop(alsa.device);
        alsa.close(alsa.device);
    }
    if (alsa.library != nullptr) unloadAlsa();
    alsa = Alsa{};
}

}  // namespace platform
