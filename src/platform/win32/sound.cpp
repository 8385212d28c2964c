// Sound service on Windows: DirectSound loaded at run time from DSOUND.DLL, so the logger runs
// where it is missing; the click is one static secondary buffer.
#include "platform/sound.h"

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
    IDirectSoundBuffer* click = nullptr;
    std::vector<unsigned char> samples;  // kept to refill the buffer when the device loses it
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

bool fillClick()
{
    void* first = nullptr;
    void* second = nullptr;
    DWORD firstSize = 0;
    DWORD secondSize = 0;
    if (FAILED(sound.click->Lock(0, static_cast<DWORD>(sound.samples.size()), &first, &firstSize, &second,
                                 &secondSize, 0)))
        return false;
    std::memcpy(first, sound.samples.data(), firstSize);
    if (second != nullptr) std::memcpy(second, sound.samples.data() + firstSize, secondSize);
    return SUCCEEDED(sound.click->Unlock(first, firstSize, second, secondSize));
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

void soundLoadClick(const unsigned char* waveFile, std::size_t size)
{
    // Only the plain 44-byte header is read: "fmt " of 16 bytes right before "data".
    if (sound.device == nullptr || sound.click != nullptr || size < 44 ||
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
    // Global focus keeps the click audible while another program has the input focus.
    description.dwFlags = DSBCAPS_STATIC | DSBCAPS_GLOBALFOCUS;
    description.dwBufferBytes = dataSize;
    description.lpwfxFormat = &format;
    if (FAILED(sound.device->CreateSoundBuffer(&description, &sound.click, nullptr))) {
        sound.click = nullptr;
        return;
    }
    sound.samples.assign(waveFile + 44, waveFile + 44 + dataSize);
    if (!fillClick()) {
        release(sound.click);
        sound.samples.clear();
    }
}

void soundPlayClick()
{
    if (sound.click == nullptr) return;
    sound.click->Stop();
    sound.click->SetCurrentPosition(0);
    if (sound.click->Play(0, 0, 0) == DSERR_BUFFERLOST && SUCCEEDED(sound.click->Restore()) && fillClick())
        sound.click->Play(0, 0, 0);
}

void soundStop()
{
    release(sound.click);
    release(sound.primary);
    release(sound.device);
    if (sound.window != nullptr) DestroyWindow(sound.window);
    if (sound.library != nullptr) FreeLibrary(sound.library);
    sound = SoundData{};
}

}  // namespace platform
