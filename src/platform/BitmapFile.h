// Reads the layout of a 24-bit uncompressed Windows bitmap file image, for both window layers.
#pragma once

#include <cstddef>

namespace platform {

struct BitmapLayout {
    long width = 0;
    long height = 0;            // always positive
    bool bottomUp = true;       // rows stored bottom row first
    std::size_t pixelOffset = 0;
    std::size_t rowBytes = 0;   // one stored row, padded to a multiple of 4
    std::size_t pixelBytes = 0; // all stored rows
};

// False for anything but a well-formed 24-bit uncompressed bitmap whose pixels lie in the image.
bool readBitmapLayout(const unsigned char* bitmapFile, std::size_t size, BitmapLayout& layout);

}  // namespace platform
