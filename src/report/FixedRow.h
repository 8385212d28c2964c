// The logger's usual row, "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0" with its carriage
// return, checked against its bytes in the log format in one vectorised loop and read at its
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

inline constexpr const UsualRowLayout& layout = usualRowLayout;
constexpr std::size_t timeAt = layout.fieldAt[timeField];
constexpr std::size_t analogAt(std::size_t input) { return layout.fieldAt[firstAnalogField + input]; }
constexpr std::size_t codesAt = layout.fieldAt[firstDigitalField] - 1;  // from the separator before
// Where the hours, minutes or seconds start in the time.
consteval std::size_t digitsAt(char c) { return std::ranges::find(layout.letter, c) - layout.letter.begin() - timeAt; }
static_assert(analogAt(0) - timeAt == 9 && voltageTextWidth == 4 && closedCode == (openCode | 1), "read as words");

template <typename Word>
inline Word load(const char* text)
{
    Word word;
    std::memcpy(&word, text, sizeof word);
    return word;
}

// Checked in one loop, which the compiler turns into a few vector instructions.
inline bool fits(const char* text)
{
    std::uint8_t outside = 0;
    for (std::size_t i = 0; i <= usualRowBytes; ++i)
        outside |= static_cast<std::uint8_t>(
            static_cast<std::uint8_t>(static_cast<std::uint8_t>(text[i]) - layout.low[i]) > layout.span[i]);
    return outside == 0;
}

// The usual row's bytes from at (eight, or as many as given) as a word's: xor with the expected
// bytes leaves each byte at most its span, and adding 0x7F less the span sets a byte's top bit
// exactly when it is above. Sums stay below 0x100 while a byte is below 0x80; others fail anyway.
constexpr std::array<std::uint64_t, 2> patternAt(std::size_t at, std::size_t bytes = 8)
{
    std::array<std::uint64_t, 2> pattern{};  // the expected bytes, 0x7F less each span
    for (std::size_t i = bytes; i-- > 0;) {
        pattern[0] = pattern[0] << 8 | layout.low[at + i];
        pattern[1] = pattern[1] << 8 | (0x7Fu - layout.span[at + i]);
    }
    return pattern;
}
inline bool matches(std::uint64_t word, const std::array<std::uint64_t, 2>& pattern)
{
    const std::uint64_t difference = word ^ pattern[0];
    return (((difference + pattern[1]) | difference) & 0x8080808080808080u) == 0;
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

}  // namespace fixedRow

// text holds the row's usualRowBytes bytes and its carriage return; false for any other form,
// which the field parser then reads, or for a moment that does not exist.
inline bool parseFixedRow(const char* text, RowCache& cache, UsualRow& row)
{
    using namespace fixedRow;
    if constexpr (std::endian::native != std::endian::little) return false;
    const auto digital = load<std::uint64_t>(text + codesAt);
    if (fits(text)) {
        const auto [a1, a2] = twoVolts(load<std::uint32_t>(text + analogAt(0)) |
                                       std::uint64_t{load<std::uint32_t>(text + analogAt(1))} << 32);
        const auto [a3, a4] = twoVolts(load<std::uint32_t>(text + analogAt(2)) |
                                       std::uint64_t{load<std::uint32_t>(text + analogAt(3))} << 32);
        row.milli = {a1, a2, a3, a4};
        row.silentInputs = 0;
    } else {
        // Some text may be "-0.0" (no reply, or a reading of 0); the rest must be as usual.
        constexpr auto timePattern = patternAt(timeAt), codesPattern = patternAt(codesAt);
        constexpr auto voltsPattern = patternAt(analogAt(0), voltageTextWidth + 1);  // with its separator
        const auto zero = load<std::uint32_t>(usualVoltageZero.data()) | std::uint64_t{logSeparator} << 32;
        if (text[timeAt - 1] != logSeparator || text[analogAt(0) - 1] != logSeparator ||
            !matches(load<std::uint64_t>(text + timeAt), timePattern) || !matches(digital, codesPattern))
            return false;
        std::uint32_t zeros = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const std::uint64_t field = load<std::uint64_t>(text + analogAt(i)) & 0xFFFFFFFFFFu;
            if (field != zero && !matches(field, voltsPattern)) return false;
            zeros |= std::uint32_t{field == zero} << i;
            row.milli[i] = field == zero ? 0 : twoVolts(field)[0];
        }
        takeCodes(cache, digital);
        row.silentInputs = silentInputs(zeros, allInputs, cache.closedInputs);
    }
    // Each pair of digits becomes one number in the pair's first byte; no byte carries over.
    const std::uint64_t digits = load<std::uint64_t>(text + timeAt) & 0x0F0F0F0F0F0F0F0Fu;
    const std::uint64_t pairs = digits * 10 + (digits >> 8);
    const auto number = [pairs](std::size_t at) { return static_cast<std::int64_t>(pairs >> 8 * at & 0xFFu); };
    const std::int64_t hour = number(digitsAt('h'));
    if (hour > 23) return false;
    takeCodes(cache, digital);
    if (std::memcmp(text, cache.text.data(), cache.text.size()) != 0 && !refreshDate(cache, text)) return false;
    row.stamp = cache.dayStart + hour * 3600 + number(digitsAt('i')) * 60 + number(digitsAt('s'));
    row.closedInputs = cache.closedInputs;
    return true;
}
