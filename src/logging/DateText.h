// Date values (wall-clock seconds since 1970, no time zone) and their two text forms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Local wall-clock seconds since 1970-01-01 00:00:00, counted as if it were universal time.
using DateValue = std::int64_t;

DateValue clockNow();
// The same clock in milliseconds.
std::int64_t wallClockMs();
// The whole second that a millisecond of the wall clock lies in.
constexpr DateValue secondOf(std::int64_t ms) { return ms >= 0 ? ms / 1000 : (ms - 999) / 1000; }

// Fills mask: %yyyy, %yy, %mm, %dd, %hh, %ii, %ss in either case; every other character is copied.
// A negative value gives zero fields.
std::string formatDate(DateValue value, std::string_view mask);

std::string dateText(DateValue value);  // in logDateForm
std::string timeText(DateValue value);  // in logTimeForm
// The moment with the offset (minutes east of UTC), as ISO 8601: 2026-12-09T14:03:10+01:00.
std::string isoTime(DateValue moment, int utcOffsetMinutes);
