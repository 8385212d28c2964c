// A clock that tests set: scripted wall-clock readings and a tick count that only sleeps move.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "platform/clock.h"

// Each reading of the local time takes the next of these; the last one repeats.
void fakeClockScript(std::initializer_list<platform::LocalTime> readings);
void fakeClockSetTicks(std::int64_t ticks);
// Milliseconds asked of clockSleepMs since the last fakeClockSetTicks.
std::int64_t fakeClockSleptMs();
