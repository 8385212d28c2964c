// Clock service on POSIX: CLOCK_REALTIME and localtime_r for the wall clock, CLOCK_MONOTONIC for the ticks.
#include "platform/clock.h"
#include "platform/posix/interrupted.h"

#include <ctime>

namespace platform {

LocalTime clockLocalTime()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm fields{};
    localtime_r(&now.tv_sec, &fields);
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
            fields.tm_hour, fields.tm_min, fields.tm_sec, static_cast<int>(fields.tm_gmtoff / 60),
            static_cast<int>(now.tv_nsec / 1000000)};
}

std::int64_t clockTicksMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

void clockSleepMs(int milliseconds)
{
    timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    // Resumed with what is left after a signal, so that the pause is never cut short.
    retryInterrupted([&] { return nanosleep(&pause, &pause); });
}

}  // namespace platform
