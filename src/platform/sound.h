// Sound service: the optional click, from a RIFF WAVE file image held in memory.
#pragma once

#include <cstddef>

namespace platform {

// Starts the sound output; false when there is no library or no device (then all else is silent).
bool soundStart();
// Loads the click; its outcome does not matter (a click that failed to load stays silent).
void soundLoadClick(const unsigned char* waveFile, std::size_t size);
// Stops the click if it still sounds and starts it again from its first sample; returns at once.
void soundPlayClick();
// Releases the click and the device and unloads the library.
void soundStop();

}  // namespace platform
