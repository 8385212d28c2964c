// Sound service on Windows: DirectSound loaded at run time from DSOUND.DLL, so the logger runs
// where it is missing; each tone is one static secondary buffer.
#include "platform/sound.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include <windows.h>
#include <dsound.h>

namespace {

using DirectSoundCreateFunction = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);

struct SoundData {
    HWND window = nullptr;  // DirectSound wants a window to tie its co-operation level to
    HMODULE library = nullptr;
    IDirectSound* device = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    struct Buffer {
        IDirectSoundBuffer* buffer = nullptr;
        std::vector<unsigned char> samples;  // kept to refill the buffer when the device loses it
    };
    std::array<Buffer, 2> tones;
};
SoundData sound;

std::uint32_t readLittleEndian(const unsigned char* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

template <typename Interface>
void release(Interface*& object)
{
    if (object != nullptr) object->Release();
    object = nullptr;
}

bool fill(SoundData::Buffer& tone)
{
    void* first = nullptr;
    void* second = nullptr;
    DWORD firstSize = 0;
    DWORD secondSize = 0;
    if (FAILED(tone.buffer->Lock(0, static_cast<DWORD>(tone.samples.size()), &first, &firstSize, &second,
                                 &secondSize, 0)))
        return false;
    std::memcpy(first, tone.samples.data(), firstSize);
    if (second != nullptr) std::memcpy(second, tone.samples.data() + firstSize, secondSize);
    return SUCCEEDED(tone.buffer->Unlock(first, firstSize, second, secondSize));
}

}  // namespace

namespace platform {

bool soundStart()
{
    sound.window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    if (sound.window != nullptr) sound.library = LoadLibraryA("DSOUND.DLL");
    if (sound.library != nullptr) {
        // GCC accepts a cast between unrelated function types only by way of void (*)().
        auto create = reinterpret_cast<DirectSoundCreateFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(sound.library, "DirectSoundCreate")));
        DSBUFFERDESC primary{};
        primary.dwSize = sizeof primary;
        primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
        if (create != nullptr && SUCCEEDED(create(nullptr, &sound.device, nullptr)) &&
            SUCCEEDED(sound.device->SetCooperativeLevel(sound.window, DSSCL_PRIORITY)) &&
            SUCCEEDED(sound.device->CreateSoundBuffer(&primary, &sound.primary, nullptr)))
            return true;
    }
    soundStop();
    return false;
}

void soundLoad(Tone which, const unsigned char* waveFile, std::size_t size)
{
    SoundData::Buffer& tone = sound.tones[static_cast<std::size_t>(which)];
    // Only the plain 44-byte header is read: "fmt " of 16 bytes right before "data".
    if (sound.device == nullptr || tone.buffer != nullptr || size < 44 ||
        std::memcmp(waveFile, "RIFF", 4) != 0 || std::memcmp(waveFile + 8, "WAVEfmt ", 8) != 0 ||
        readLittleEndian(waveFile + 16, 4) != 16 || std::memcmp(waveFile + 36, "data", 4) != 0)
        return;
    WAVEFORMATEX format{};
    format.wFormatTag = static_cast<WORD>(readLittleEndian(waveFile + 20, 2));
    format.nChannels = static_cast<WORD>(readLittleEndian(waveFile + 22, 2));
    format.nSamplesPerSec = readLittleEndian(waveFile + 24, 4);
    format.nAvgBytesPerSec = readLittleEndian(waveFile + 28, 4);
    format.nBlockAlign = static_cast<WORD>(readLittleEndian(waveFile + 32, 2));
    format.wBitsPerSample = static_cast<WORD>(readLittleEndian(waveFile + 34, 2));
    const std::uint32_t dataSize = readLittleEndian(waveFile + 40, 4);
    if (format.wFormatTag != WAVE_FORMAT_PCM || dataSize == 0 || dataSize > size - 44) return;

    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    // Global focus keeps the tone audible while another program has the input focus.
    description.dwFlags = DSBCAPS_STATIC | DSBCAPS_GLOBALFOCUS;
    description.dwBufferBytes = dataSize;
    description.lpwfxFormat = &format;
    if (FAILED(sound.device->CreateSoundBuffer(&description, &tone.buffer, nullptr))) {
        tone.buffer = nullptr;
        return;
    }
    tone.samples.assign(waveFile + 44, waveFile + 44 + dataSize);
    if (!fill(tone)) {
        release(tone.buffer);
        tone.samples.clear();
    }
}

void soundPlay(Tone which)
{
    for (SoundData::Buffer& other : sound.tones)
        if (other.buffer != nullptr) other.buffer->Stop();
    SoundData::Buffer& tone = sound.tones[static_cast<std::size_t>(which)];
    if (tone.buffer == nullptr) return;
    tone.buffer->SetCurrentPosition(0);
    if (tone.buffer->Play(0, 0, 0) == DSERR_BUFFERLOST && SUCCEEDED(tone.buffer->Restore()) && fill(tone))
        tone.buffer->Play(0, 0, 0);
}

void soundStop()
{
    for (SoundData::Buffer& tone : sound.tones) release(tone.buffer);
    release(sound.primary);
    release(sound.device);
    if (sound.window != nullptr) DestroyWindow(sound.window);
    if (sound.library != nullptr) FreeLibrary(sound.library);
    sound = SoundData{};
}

}  // namespace platform
