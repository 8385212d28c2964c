// Clock service on Windows: GetLocalTime for the wall clock, GetTickCount carried into 64 bits.
#include "platform/clock.h"

#include <windows.h>

namespace {

// GetTickCount wraps after 49.7 days and GetTickCount64 is missing on older Windows, so the
// wraps are counted here; the wait reads the ticks far more often than once per wrap.
struct TicksData {
    DWORD last = 0;
    std::int64_t high = 0;  // the wraps seen so far, times 2^32
};
TicksData ticks;

}  // namespace

namespace platform {

LocalTime clockLocalTime()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, 0, now.wMilliseconds};
}

std::int64_t clockTicksMs()
{
    const DWORD now = GetTickCount();
    if (now < ticks.last) ticks.high += std::int64_t{1} << 32;
    ticks.last = now;
    return ticks.high + now;
}

void clockSleepMs(int milliseconds)
{
    Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}

}  // namespace platform
