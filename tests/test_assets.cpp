// The built-in picture and tones keep the exact layouts the program's loaders rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "assets/Assets.h"

namespace {

std::uint32_t field(const unsigned char* bytes, std::size_t offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[offset + i];
    return value;
}

struct Field {
    std::size_t offset;
    int size;
    std::uint32_t value;
};

TEST(Assets, PictureIsA120By160TwentyFourBitBitmap)
{
    ASSERT_EQ(boardBitmapSize, 57654u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(boardBitmap), 2), "BM");
    const Field fields[] = {{2, 4, 57654}, {6, 4, 0},    {10, 4, 54}, {14, 4, 40},  {18, 4, 120},
                            {22, 4, 160},  {26, 2, 1},   {28, 2, 24}, {30, 4, 0},   {34, 4, 57600},
                            {38, 4, 2835}, {42, 4, 2835}, {46, 4, 0}, {50, 4, 0}};
    for (const Field& f : fields) EXPECT_EQ(field(boardBitmap, f.offset, f.size), f.value) << f.offset;
}

TEST(Assets, TonesAreQuietMonoWavesOfOneRate)
{
    struct Tone {
        const char* name;
        const unsigned char* wave;
        std::size_t size;
        std::uint32_t dataSize;  // 31 ms and 0.6 s at 22050 samples a second
        int peakLow;
        int peakHigh;
    };
    const Tone tones[] = {{"click", clickWave, clickWaveSize, 1360, 2000, 3500},
                          {"alarm", alarmWave, alarmWaveSize, 26400, 3500, 6000}};
    for (const Tone& tone : tones) {
        SCOPED_TRACE(tone.name);
        ASSERT_EQ(tone.size, tone.dataSize + 44u);
        const std::string text(reinterpret_cast<const char*>(tone.wave), 44);
        EXPECT_EQ(text.substr(0, 4), "RIFF");
        EXPECT_EQ(text.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(text.substr(36, 4), "data");
        const Field fields[] = {{4, 4, tone.dataSize + 36}, {16, 4, 16}, {20, 2, 1}, {22, 2, 1},
                                {24, 4, 22050}, {28, 4, 44100}, {32, 2, 2}, {34, 2, 16}, {40, 4, tone.dataSize}};
        for (const Field& f : fields) EXPECT_EQ(field(tone.wave, f.offset, f.size), f.value) << f.offset;

        int peak = 0;
        for (std::size_t at = 44; at < tone.size; at += 2)
            peak = std::max(peak, std::abs(static_cast<std::int16_t>(field(tone.wave, at, 2))));
        EXPECT_GT(peak, tone.peakLow);
        EXPECT_LE(peak, tone.peakHigh);
    }
}

}  // namespace
