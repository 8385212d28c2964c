// The files built into the program; none of them is read from disk at run time.
#pragma once

#include <cstddef>

// The picture of the board: a 120 x 160 24-bit Windows bitmap file image.
extern const unsigned char boardBitmap[];
extern const std::size_t boardBitmapSize;

// The click: a 31 ms mono 16-bit RIFF WAVE file image.
extern const unsigned char clickWave[];
extern const std::size_t clickWaveSize;

// The alarm's tone, unlike the click: 0.6 s of two falling chimes, in the click's format.
extern const unsigned char alarmWave[];
extern const std::size_t alarmWaveSize;

// The settings file with every setting at its default, commented out: the comments of the file
// that the settings window writes.
extern const unsigned char exampleSettings[];
extern const std::size_t exampleSettingsSize;

// The window icon, 48 x 48, as a PNG file image.
extern const unsigned char avrnetioIconPng[];
extern const std::size_t avrnetioIconPngSize;
