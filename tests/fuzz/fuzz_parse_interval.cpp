// Fuzzes parseInterval, intervalValid and describeInterval on a fresh state: a valid interval is
// finite, at least a second, fits the 32-bit seconds, and every text matches its number.
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driver/LoggerState.h"
#include "logging/LogInterval.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

std::string decimalText(std::int64_t value)
{
    std::array<char, 24> text{};
    char* end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    return std::string(text.data(), end);
}

bool isUnitLetter(char c)
{
    return c == 'S' || c == 's' || c == 'M' || c == 'm' || c == 'H' || c == 'h' || c == 'D' ||
           c == 'd';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    LoggerState state;
    resetLoggerState(state);
    const IntervalAnswer interval = parseInterval(answer);
    state.intervalMs = interval.ms;
    state.intervalText = interval.text;

    if (answer.empty() || !isUnitLetter(answer[0])) {
        check(state.intervalMs == 0.0 && state.intervalText == answer);
        check(!intervalValid(interval));
    }

    if (intervalValid(interval)) {
        check(std::isfinite(state.intervalMs) && state.intervalMs >= 1000.0);
        // The default rounding mode rounds halves to the even neighbour.
        const double seconds = std::nearbyint(state.intervalMs / 1000.0);
        check(seconds >= 1.0 && seconds <= 2147483647.0);
        const auto whole = static_cast<std::int32_t>(seconds);
        check(state.intervalText == decimalText(whole));

        describeInterval(state);
        check(state.intervalSeconds == whole);
        check(state.intervalMinutes == whole / 60);
        check(state.intervalHours == whole / 3600);
        check(state.intervalDays == whole / 86400);
        check(state.intervalSecondsText == decimalText(state.intervalSeconds));
        check(state.intervalMinutesText == decimalText(state.intervalMinutes));
        check(state.intervalHoursText == decimalText(state.intervalHours));
        check(state.intervalDaysText == decimalText(state.intervalDays));
    } else {
        // Never called for an invalid interval, but it must not misbehave on one either.
        describeInterval(state);
    }
    return 0;
}
