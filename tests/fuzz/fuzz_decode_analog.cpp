// Fuzzes the voltage form of a reply: with the default scale, factor and width the text must be a short
// fixed-point number close to the reading; with any parameters it must stay well-formed.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "board/Decoding.h"
#include "logging/LogFormat.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

// An optional minus, digits, and optionally a point and digits: what a cut "%.10f" text can be.
bool isFixedPointPrefix(std::string_view text)
{
    std::size_t pos = 0;
    if (pos < text.size() && text[pos] == '-') ++pos;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos, ++digits;
    if (pos == text.size()) return true;
    if (digits == 0 || text[pos] != '.') return false;
    for (++pos; pos < text.size(); ++pos)
        if (text[pos] < '0' || text[pos] > '9') return false;
    return true;
}

// Infinite and NaN results are written the way "%.10f" writes them.
bool isInfOrNanPrefix(std::string_view text)
{
    for (std::string_view word : {"inf", "-inf", "nan", "-nan"})
        if (word.substr(0, text.size()) == text) return true;
    return false;
}

// The reading the board meant: the digits among the first four characters.
int rawReading(std::string_view reply)
{
    int raw = 0;
    for (std::size_t k = 0; k < reply.size() && k < 4; ++k)
        if (reply[k] >= '0' && reply[k] <= '9') raw = raw * 10 + (reply[k] - '0');
    return raw;
}

void checkDefaults(std::string_view reply)
{
    const std::string text = voltageText(analogRaw(reply).value_or(0), 0.0048828, 1000, 4);
    check(!text.empty() && text.size() <= 4);
    check(isFixedPointPrefix(text));

    // At most 48.823: below 10 two decimals are left, from 10 on one; the rest is cut off.
    double shown = 0.0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), shown);
    check(ec == std::errc{} && end == text.data() + text.size());
    const double volts = rawReading(reply) * 0.0048828;
    const double cut = volts < 9.9995 ? 0.01 : 0.1;
    check(shown <= volts + 0.0005 + 1e-9 && volts - shown < cut + 0.0005 + 1e-9);
    check(std::signbit(shown) == (rawReading(reply) == 0));
}

void checkAnyParameters(const std::uint8_t* data, std::size_t size)
{
    double scale = 0.0;
    std::int32_t roundFactor = 0;
    std::int32_t width = 0;
    std::memcpy(&scale, data, sizeof scale);
    std::memcpy(&roundFactor, data + 8, sizeof roundFactor);
    std::memcpy(&width, data + 12, sizeof width);
    const std::string_view reply(reinterpret_cast<const char*>(data + 16), size - 16);

    const std::string text = voltageText(analogRaw(reply).value_or(0), scale, roundFactor, width);
    check(text.size() <= static_cast<std::size_t>(width < 0 ? 0 : width));
    check(isFixedPointPrefix(text) || isInfOrNanPrefix(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkDefaults(std::string_view(reinterpret_cast<const char*>(data), size));
    // Inputs of 16 bytes and more also carry a scale, a round factor and a width.
    if (size >= 16) checkAnyParameters(data, size);
    return 0;
}
