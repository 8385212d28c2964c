// Stands in for the platform clock in tests.
#include "fakes/fake_clock.h"

#include <chrono>
#include <deque>
#include <vector>

namespace {
struct FakeClock {
    std::deque<platform::LocalTime> readings{{1970, 1, 1, 0, 0, 0}};
    std::int64_t ticks = 0;
    std::int64_t slept = 0;
    std::vector<FakeWallAhead> ahead;  // empty: the scripted readings
    std::int64_t followedFrom = 0;     // the tick at which the wall clock read readings.front()
};
FakeClock fake;

platform::LocalTime followingTicks()
{
    using namespace std::chrono;
    const platform::LocalTime& start = fake.readings.front();
    std::int64_t aheadUs = 0;
    for (const FakeWallAhead& row : fake.ahead)
        if (row.fromTick <= fake.ticks) aheadUs = row.microseconds;
    const sys_days day = year{start.year} / start.month / start.day;
    const auto at = floor<milliseconds>(day + hours{start.hour} + minutes{start.minute} + seconds{start.second} +
                                        milliseconds{start.millisecond + fake.ticks - fake.followedFrom} +
                                        microseconds{aheadUs});
    const year_month_day date{floor<days>(at)};
    const hh_mm_ss time{at - floor<days>(at)};
    return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(time.hours().count()),
            static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
            start.utcOffsetMinutes, static_cast<int>(time.subseconds().count())};
}
}  // namespace

void fakeClockScript(std::initializer_list<platform::LocalTime> readings)
{
    fake.readings.assign(readings.begin(), readings.end());
    fake.ahead.clear();
}

void fakeClockFollowTicks(std::initializer_list<FakeWallAhead> ahead)
{
    fake.ahead.assign(ahead.begin(), ahead.end());
    fake.followedFrom = fake.ticks;
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
    if (!fake.ahead.empty()) return followingTicks();
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
