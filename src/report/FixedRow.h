// The logger's usual row, "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0" with its carriage
// return, checked against its shape in the log format in one vectorised loop and read at its
// fixed places a machine word at a time. Inline: the reader's loop runs it for nearly every row,
// where the line end is known to follow.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "report/LogLine.h"

namespace fixedRow {

// The time, two analog texts and the codes with their separators are each read as a word.
static_assert(timeShape.width == 8 && usualVoltageWidth == 4 && closedCode == (openCode | 1));

template <typename Word>
inline Word load(const char* text)
{
    Word word;
    std::memcpy(&word, text, sizeof word);
    return word;
}

inline constexpr const TextShape& usualRow = usualRowLayout.bytes;
constexpr std::size_t analogAt(std::size_t input) { return usualRowLayout.fieldAt[firstAnalogField + input]; }
constexpr std::size_t codesAt = usualRowLayout.fieldAt[firstDigitalField] - 1;  // from the separator before
// Where the hours, minutes or seconds start in the time.
consteval std::size_t digitsAt(char c) { return std::ranges::find(timeShape.letter, c) - timeShape.letter.begin(); }

// Checked in one loop, which the compiler turns into a few vector instructions.
inline bool fits(const char* text)
{
    std::uint8_t outside = 0;
    for (std::size_t i = 0; i <= usualRowBytes; ++i)
        outside |= static_cast<std::uint8_t>(
            static_cast<std::uint8_t>(static_cast<std::uint8_t>(text[i]) - usualRow.low[i]) > usualRow.span[i]);
    return outside == 0;
}

// Two texts "2.50" in the low and the high half of a word, known to be of that form: the digits
// pair up in 16-bit lanes (10 times the units; tenths and hundredths), then one product sums
// each pair of lanes into the upper one. No lane overflows.
inline std::array<std::int32_t, 2> twoVolts(std::uint64_t texts)
{
    const std::uint64_t digits = texts & 0x0F0F000F0F0F000Fu;
    const std::uint64_t lanes = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFu;
    const std::uint64_t sums = lanes * (100 * 65536 + 10);
    return {static_cast<std::int32_t>(sums >> 16 & 0xFFFFu), static_cast<std::int32_t>(sums >> 48)};
}

// The codes ",0,1,0,0" decoded into the cache, unless they are those of the row before.
inline void takeCodes(RowCache& cache, std::uint64_t digital)
{
    if (digital == cache.codes) return;
    // The four codes' low bits, at bits 8, 24, 40 and 56, gathered by one product into bits 45 to 48.
    cache.codes = digital;
    cache.closedInputs =
        static_cast<std::uint32_t>(((digital >> 8 & 0x0001000100010001u) * 0x0000200040008001u) >> 45 & 0xFu);
}

// A row with "-0.0" (no reply, or a reading of 0) for some text.
inline bool parseWithZeros(const char* text, RowCache& cache, UsualRow& row);

}  // namespace fixedRow

// text holds the row's usualRowBytes bytes and its carriage return; false for any other form,
// which the field parser then reads, or for a moment that does not exist.
inline bool parseFixedRow(const char* text, RowCache& cache, UsualRow& row)
{
    using namespace fixedRow;
    if constexpr (std::endian::native != std::endian::little) return false;
    if (!fits(text)) return parseWithZeros(text, cache, row);
    const auto [a1, a2] = twoVolts(load<std::uint32_t>(text + analogAt(0)) |
                                   std::uint64_t{load<std::uint32_t>(text + analogAt(1))} << 32);
    const auto [a3, a4] = twoVolts(load<std::uint32_t>(text + analogAt(2)) |
                                   std::uint64_t{load<std::uint32_t>(text + analogAt(3))} << 32);
    row.milli = {a1, a2, a3, a4};
    // Each pair of digits becomes one number in the pair's first byte; no byte carries over.
    const std::uint64_t digits = load<std::uint64_t>(text + usualRowLayout.fieldAt[timeField]) & 0x0F0F0F0F0F0F0F0Fu;
    const std::uint64_t pairs = digits * 10 + (digits >> 8);
    const auto number = [pairs](std::size_t at) { return static_cast<std::int64_t>(pairs >> 8 * at & 0xFFu); };
    const std::int64_t hour = number(digitsAt('h'));
    if (hour > 23) return false;
    takeCodes(cache, load<std::uint64_t>(text + codesAt));
    if (std::memcmp(text, cache.text.data(), cache.text.size()) != 0 && !refreshDate(cache, text)) return false;
    row.stamp = cache.dayStart + hour * 3600 + number(digitsAt('i')) * 60 + number(digitsAt('s'));
    row.closedInputs = cache.closedInputs;
    row.silentInputs = 0;
    return true;
}

// Read as the usual row with the usual text of 0 in their place, on its own: the reader's loop
// inlines only the usual row's reading, and the caller's row stays in registers.
inline bool fixedRow::parseWithZeros(const char* text, RowCache& cache, UsualRow& row)
{
    std::array<char, usualRowBytes + 1> copy;
    std::memcpy(copy.data(), text, copy.size());
    std::uint32_t zeros = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (std::memcmp(text + analogAt(i), usualVoltageZero.data(), usualVoltageWidth) != 0) continue;
        std::memcpy(copy.data() + analogAt(i), usualRow.low.data() + analogAt(i), usualVoltageWidth);
        zeros |= 1u << i;
    }
    UsualRow read;
    if (zeros == 0 || !parseFixedRow(copy.data(), cache, read)) return false;
    row = read;
    row.silentInputs = silentInputs(zeros, allInputs, read.closedInputs);
    return true;
}
