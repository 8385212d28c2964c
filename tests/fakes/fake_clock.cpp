// Stands in for the platform clock in tests.
#include "fakes/fake_clock.h"

#include <deque>

namespace {
struct FakeClock {
    std::deque<platform::LocalTime> readings{{1970, 1, 1, 0, 0, 0}};
    std::int64_t ticks = 0;
    std::int64_t slept = 0;
};
FakeClock fake;
}  // namespace

void fakeClockScript(std::initializer_list<platform::LocalTime> readings)
{
    fake.readings.assign(readings.begin(), readings.end());
}

void fakeClockSetTicks(std::int64_t ticks)
{
    fake.ticks = ticks;
    fake.slept = 0;
}

std::int64_t fakeClockSleptMs() { return fake.slept; }

namespace platform {

LocalTime clockLocalTime()
{
    LocalTime now = fake.readings.front();
    if (fake.readings.size() > 1) fake.readings.pop_front();
    return now;
}

std::int64_t clockTicksMs() { return fake.ticks; }

void clockSleepMs(int milliseconds)
{
    fake.ticks += milliseconds;
    fake.slept += milliseconds;
}

}  // namespace platform
