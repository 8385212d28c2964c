// Clock service: the local wall clock to the second, a monotonic millisecond count, a pause.
#pragma once

#include <cstdint>

namespace platform {

struct LocalTime {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;    // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int utcOffsetMinutes = 0;  // east of UTC, daylight-saving time included
    int millisecond = 0;       // 0 to 999, for waits that end on a whole second
};

// The local date and time as the desktop shows them.
LocalTime clockLocalTime();

// Milliseconds on a monotonic 64-bit count that never wraps and ignores wall-clock changes.
std::int64_t clockTicksMs();

void clockSleepMs(int milliseconds);

}  // namespace platform
