// Sound service: the optional click and the alarm's tone, from RIFF WAVE file images held in memory.
#pragma once

#include <cstddef>

namespace platform {

enum class Tone { click, alarm };

// Starts the sound output; false when there is no library or no device (then all else is silent).
bool soundStart();
// Loads a tone; its outcome does not matter (a tone that failed to load stays silent). Both tones
// are 16-bit mono PCM at one rate.
void soundLoad(Tone tone, const unsigned char* waveFile, std::size_t size);
// Stops whatever still sounds and starts the tone from its first sample; returns at once.
void soundPlay(Tone tone);
// Releases the tones and the device and unloads the library.
void soundStop();

}  // namespace platform
