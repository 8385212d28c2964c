// A clock that tests set: scripted wall-clock readings and a tick count that only sleeps move.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "platform/clock.h"

// Each reading of the local time takes the next of these; the last one repeats.
void fakeClockScript(std::initializer_list<platform::LocalTime> readings);

// How far the wall clock is ahead of the ticks from a tick on.
struct FakeWallAhead {
    std::int64_t fromTick;
    std::int64_t microseconds;
};
// From now on, until the next script, the wall clock runs on from its reading with the ticks, off
// them as the table says: real clocks turn their milliseconds apart and are read apart.
void fakeClockFollowTicks(std::initializer_list<FakeWallAhead> ahead);
void fakeClockSetTicks(std::int64_t ticks);
// Milliseconds asked of clockSleepMs since the last fakeClockSetTicks.
std::int64_t fakeClockSleptMs();
