// The logging interval: reading the typed answer, deciding whether it is usable, and the
// whole seconds, minutes, hours and days that the window shows.
#include "logging/LogInterval.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

#include "driver/LoggerState.h"

namespace {

// 2^63 and 2^52: exact doubles, the bounds of int64 and of doubles with a fraction.
constexpr double int64Limit = 9223372036854775808.0;
constexpr double fractionLimit = 4503599627370496.0;
constexpr double int32Max = 2147483647.0;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The C locale's white space, fixed so that the user's locale cannot change it.
bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::int64_t saturatingAppend(std::int64_t value, char digit)
{
    constexpr std::int64_t cap = 1'000'000'000;  // far beyond any exponent a double can carry
    return value >= cap ? cap : value * 10 + (digit - '0');
}

// Reads a decimal number from the start of text, the way a C library's text-to-double reads
// it in the "C" locale, but without hexadecimal forms, "inf" or "nan". No number gives 0.
double readNumber(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && isSpace(text[pos])) ++pos;

    std::size_t start = pos;  // what from_chars sees; it takes a minus but no plus
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
        if (!negative) start = pos;
    }

    // Decimal place of the first significant digit, to tell overflow from underflow.
    std::int64_t leadingPlace = 0;
    bool significant = false;
    std::size_t digits = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos, ++digits) {
        if (significant) ++leadingPlace;
        significant = significant || text[pos] != '0';
    }
    if (pos < text.size() && text[pos] == '.') {
        for (++pos; pos < text.size() && isDigit(text[pos]); ++pos, ++digits) {
            if (!significant) --leadingPlace;
            significant = significant || text[pos] != '0';
        }
    }
    if (digits == 0) return 0.0;

    // The exponent counts only when at least one digit follows the letter and its sign.
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t at = pos + 1;
        bool negativeExponent = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            negativeExponent = text[at] == '-';
            ++at;
        }
        if (at < text.size() && isDigit(text[at])) {
            std::int64_t exponent = 0;
            for (; at < text.size() && isDigit(text[at]); ++at)
                exponent = saturatingAppend(exponent, text[at]);
            leadingPlace += negativeExponent ? -exponent : exponent;
            pos = at;
        }
    }

    double value = 0.0;
    std::errc ec = std::from_chars(text.data() + start, text.data() + pos, value,
                                   std::chars_format::general).ec;
    if (ec == std::errc::result_out_of_range) {
        double magnitude = leadingPlace > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -magnitude : magnitude;
    }
    if (ec != std::errc{}) return 0.0;
    return value;
}

template <typename Integer>
std::string decimalText(Integer value)
{
    std::array<char, 24> text{};
    // 24 characters hold every 64-bit integer, so this cannot fail.
    char* end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    return std::string(text.data(), end);
}

struct Unit {
    char upper;
    char lower;
    int factorCount;  // how many of 1000, 60, 60, 24 apply, in that order
};

constexpr std::array<Unit, 4> units = {
    {{'S', 's', 1}, {'M', 'm', 2}, {'H', 'h', 3}, {'D', 'd', 4}}};
constexpr std::array<double, 4> factors = {1000.0, 60.0, 60.0, 24.0};

}  // namespace

double roundHalfEven(double value)
{
    // Beyond 2^52 every double is whole; infinities and NaN pass through unchanged.
    if (!(std::fabs(value) < fractionLimit)) return value;
    double below = std::floor(value);
    double fraction = value - below;  // exact for doubles of this size
    if (fraction > 0.5) return below + 1.0;
    if (fraction < 0.5) return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

IntervalAnswer parseInterval(std::string_view answer)
{
    IntervalAnswer interval{0.0, std::string(answer)};
    std::string& current = interval.text;
    for (const Unit& unit : units) {
        if (current.empty() || (current[0] != unit.upper && current[0] != unit.lower)) continue;
        double ms = readNumber(std::string_view(current).substr(1));
        for (int i = 0; i < unit.factorCount; ++i) ms = ms * factors[static_cast<std::size_t>(i)];
        interval.ms = ms;

        // An interval whose whole seconds fit no 64-bit integer gets no text and so fails
        // validation, rather than being converted out of range.
        double seconds = std::isfinite(ms) ? roundHalfEven(ms / 1000.0) : 0.0;
        if (std::isfinite(ms) && seconds >= -int64Limit && seconds < int64Limit)
            current = decimalText(static_cast<std::int64_t>(seconds));
        else
            current.clear();
        break;  // the replaced text starts with a digit or a minus: no later row could apply
    }
    return interval;
}

bool intervalValid(const IntervalAnswer& interval)
{
    if (interval.text.empty()) return false;
    if (!std::isfinite(interval.ms) || interval.ms < 1000.0) return false;
    // intervalSeconds is 32-bit: a longer interval is refused like any other unusable one.
    return roundHalfEven(interval.ms / 1000.0) <= int32Max;
}

void describeInterval(LoggerState& state)
{
    double seconds = roundHalfEven(state.intervalMs / 1000.0);
    // Validation keeps this in range; the clamp only guards against an unvalidated interval.
    if (std::isnan(seconds)) seconds = 0.0;
    if (seconds > int32Max) seconds = int32Max;
    if (seconds < -int32Max - 1.0) seconds = -int32Max - 1.0;

    state.intervalSeconds = static_cast<std::int32_t>(seconds);
    state.intervalMinutes = state.intervalSeconds / 60;
    state.intervalHours = state.intervalMinutes / 60;
    state.intervalDays = state.intervalHours / 24;

    state.intervalSecondsText = decimalText(state.intervalSeconds);
    state.intervalMinutesText = decimalText(state.intervalMinutes);
    state.intervalHoursText = decimalText(state.intervalHours);
    state.intervalDaysText = decimalText(state.intervalDays);
}

std::int64_t nextSlotMs(double intervalMs, std::int64_t afterMs)
{
    const auto period = std::max<std::int64_t>(1, static_cast<std::int64_t>(roundHalfEven(intervalMs)));
    const std::int64_t slots = afterMs >= 0 ? afterMs / period : -((-afterMs + period - 1) / period);
    return (slots + 1) * period;
}
