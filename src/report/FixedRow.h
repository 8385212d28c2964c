// The logger's usual row, "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0" with its carriage
// return, checked against its pattern in one vectorised loop and read at its fixed places a
// machine word at a time. Inline: the reader's loop runs it for nearly every row, where the line
// end is known to follow. Its analog values lie from 0 to 9.99 V.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "report/LogLine.h"

constexpr std::size_t fixedRowBytes = 47;

namespace fixedRow {

template <typename Word>
inline Word load(const char* text)
{
    Word word;
    std::memcpy(&word, text, sizeof word);
    return word;
}

// A pattern of bytes, each either fixed or a digit up to a bound: xor with the expected bytes
// (0x30 for a digit) leaves each byte at most its bound (0 for a fixed one), and adding 0x7F
// less the bound sets a byte's top bit exactly when it is above. Sums stay below 0x100 while a
// byte is below 0x80, and a carry from one that is not can only fail the test.
struct Pattern {
    std::uint64_t expected;
    std::uint64_t headroom;  // 0x7F less each byte's bound
};

// Not zero when word does not match.
inline std::uint64_t mismatch(std::uint64_t word, const Pattern& pattern)
{
    const std::uint64_t difference = word ^ pattern.expected;
    return ((difference + pattern.headroom) | difference) & 0x8080808080808080u;
}

// "hh:mm:ss", tens of hours up to 2 and of minutes and seconds up to 5
constexpr Pattern timePattern{0x30303A30303A3030u, 0x767A7F767A7F767Du};
// ",D,D,D,D" with codes 0 or 1
constexpr Pattern digitalPattern{0x302C302C302C302Cu, 0x7E7F7E7F7E7F7E7Fu};

// Each byte of the usual row with every analog text of the usual 0 to 5 V, its carriage return
// included, lies from low to low + span. Checked in one loop, which the compiler turns into a few
// vector instructions.
struct RowBounds {
    std::array<std::uint8_t, fixedRowBytes + 1> low{};
    std::array<std::uint8_t, fixedRowBytes + 1> span{};
};

// The pattern's letters: a any digit, 2 a digit up to 2, 5 one up to 5, 1 one up to 1.
constexpr RowBounds boundsOf(const char (&pattern)[fixedRowBytes + 2])
{
    RowBounds bounds;
    for (std::size_t i = 0; i <= fixedRowBytes; ++i) {
        const char c = pattern[i];
        const bool digit = c == 'a' || c == '2' || c == '5' || c == '1';
        bounds.low[i] = static_cast<std::uint8_t>(digit ? '0' : c);
        bounds.span[i] = static_cast<std::uint8_t>(c == 'a' ? 9 : digit ? c - '0' : 0);
    }
    return bounds;
}

constexpr RowBounds usualRow = boundsOf("aa.aa.aaaa,2a:5a:5a,a.aa,a.aa,a.aa,a.aa,1,1,1,1\r");

inline bool isUsualRow(const char* text)
{
    std::uint8_t outside = 0;
    for (std::size_t i = 0; i <= fixedRowBytes; ++i)
        outside |= static_cast<std::uint8_t>(
            static_cast<std::uint8_t>(static_cast<std::uint8_t>(text[i]) - usualRow.low[i]) > usualRow.span[i]);
    return outside == 0;
}

constexpr std::int32_t notShort = -2;
constexpr std::int32_t negativeZero = -1;

// "2.50" in thousandths, once known to be of that form.
inline std::int32_t volts(std::uint32_t text)
{
    return static_cast<std::int32_t>((text & 0xFu) * 1000 + (text >> 16 & 0xFu) * 100 + (text >> 24 & 0xFu) * 10);
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

// "2.50" or "-0.0" and its comma: thousandths, negativeZero or notShort. Texts of 10 V and more,
// which only garbled replies give, are left to the field parser.
inline std::int32_t shortAnalog(const char* text)
{
    const auto field = load<std::uint32_t>(text);
    if (text[4] != ',') return notShort;
    if ((field & 0xF0F0FFF0u) == 0x30302E30u && ((field + 0x06060006u) & 0xF0F000F0u) == 0x30300030u)
        return volts(field);
    return field == load<std::uint32_t>("-0.0") ? negativeZero : notShort;
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

// text holds the row's fixedRowBytes bytes and its carriage return; false for any other form,
// which the field parser then reads, or for a moment that does not exist.
inline bool parseFixedRow(const char* text, RowCache& cache, UsualRow& row)
{
    using namespace fixedRow;
    if constexpr (std::endian::native != std::endian::little) return false;
    const auto digital = load<std::uint64_t>(text + 39);
    if (isUsualRow(text)) {
        const auto [a1, a2] =
            twoVolts(load<std::uint32_t>(text + 20) | std::uint64_t{load<std::uint32_t>(text + 25)} << 32);
        const auto [a3, a4] =
            twoVolts(load<std::uint32_t>(text + 30) | std::uint64_t{load<std::uint32_t>(text + 35)} << 32);
        row.milli = {a1, a2, a3, a4};
        row.silentInputs = 0;
    } else {
        // Some text is "-0.0" (no reply, or a reading of 0), or the row is no usual one.
        if (((text[10] ^ ',') | (text[19] ^ ',')) != 0 ||
            (mismatch(digital, digitalPattern) | mismatch(load<std::uint64_t>(text + 11), timePattern)) != 0)
            return false;
        const std::int32_t a1 = shortAnalog(text + 20);
        const std::int32_t a2 = shortAnalog(text + 25);
        const std::int32_t a3 = shortAnalog(text + 30);
        const std::int32_t a4 = shortAnalog(text + 35);
        if (std::min({a1, a2, a3, a4}) == notShort) return false;
        row.milli = {std::max(a1, 0), std::max(a2, 0), std::max(a3, 0), std::max(a4, 0)};
        const auto zero = [](std::int32_t milli, int input) {
            return static_cast<std::uint32_t>(milli == negativeZero) << input;
        };
        takeCodes(cache, digital);
        const std::uint32_t negativeZeros = zero(a1, 0) | zero(a2, 1) | zero(a3, 2) | zero(a4, 3);
        row.silentInputs = silentInputs(negativeZeros, allInputs, cache.closedInputs);
    }
    // Each pair of digits becomes one number in the pair's first byte.
    const std::uint64_t timeDigits = load<std::uint64_t>(text + 11) & 0x0F0F000F0F000F0Fu;
    const std::uint64_t pairs = timeDigits * 10 + (timeDigits >> 8);
    const auto hour = static_cast<std::int64_t>(pairs & 0xFFu);
    const auto minute = static_cast<std::int64_t>(pairs >> 24 & 0xFFu);
    const auto second = static_cast<std::int64_t>(pairs >> 48 & 0xFFu);
    if (hour > 23) return false;
    takeCodes(cache, digital);
    if ((load<std::uint64_t>(text) != load<std::uint64_t>(cache.text.data()) ||
         load<std::uint16_t>(text + 8) != load<std::uint16_t>(cache.text.data() + 8)) &&
        !refreshDate(cache, text))
        return false;
    row.stamp = cache.dayStart + hour * 3600 + minute * 60 + second;
    row.closedInputs = cache.closedInputs;
    return true;
}
