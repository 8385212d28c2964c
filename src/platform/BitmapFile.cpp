// Checks a bitmap file image before a window layer draws from it.
#include "platform/BitmapFile.h"

#include <cstdint>

namespace platform {

bool readBitmapLayout(const unsigned char* bitmapFile, std::size_t size, BitmapLayout& layout)
{
    constexpr std::size_t headerSize = 54;
    constexpr long maxSide = 16384;
    if (bitmapFile == nullptr || size < headerSize) return false;
    const auto u16 = [bitmapFile](std::size_t at) {
        return static_cast<unsigned>(bitmapFile[at]) |
               static_cast<unsigned>(bitmapFile[at + 1]) << 8;
    };
    const auto u32 = [&u16](std::size_t at) {
        return static_cast<std::uint32_t>(u16(at)) | static_cast<std::uint32_t>(u16(at + 2)) << 16;
    };
    const auto s32 = [&u32](std::size_t at) { return static_cast<std::int32_t>(u32(at)); };

    if (bitmapFile[0] != 'B' || bitmapFile[1] != 'M') return false;
    const std::uint32_t pixelOffset = u32(10);
    const std::uint32_t infoSize = u32(14);
    const long width = s32(18);
    const long storedHeight = s32(22);
    if (infoSize < 40 || pixelOffset < 14 || pixelOffset - 14 < infoSize) return false;
    if (u16(26) != 1 || u16(28) != 24 || u32(30) != 0) return false;
    // A negative height means the rows are stored top row first.
    const long height = storedHeight > 0 ? storedHeight : -storedHeight;
    if (width <= 0 || width > maxSide || height <= 0 || height > maxSide) return false;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(height);
    if (pixelOffset > size || size - pixelOffset < pixelBytes) return false;
    layout = {width, height, storedHeight > 0, pixelOffset, rowBytes, pixelBytes};
    return true;
}

}  // namespace platform
