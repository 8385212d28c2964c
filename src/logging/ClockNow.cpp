// Reads the local wall clock as a date value; apart from the texts, so that a program that only
// formats dates needs no clock service.
#include <chrono>

#include "logging/DateText.h"
#include "platform/clock.h"

namespace {

DateValue dateValueOf(const platform::LocalTime& now)
{
    std::chrono::year_month_day date{std::chrono::year{now.year},
                                     std::chrono::month{static_cast<unsigned>(now.month)},
                                     std::chrono::day{static_cast<unsigned>(now.day)}};
    DateValue days = std::chrono::sys_days{date}.time_since_epoch().count();
    return days * 86400 + DateValue{now.hour} * 3600 + DateValue{now.minute} * 60 + now.second;
}

}  // namespace

DateValue clockNow() { return dateValueOf(platform::clockLocalTime()); }

std::int64_t wallClockMs()
{
    const platform::LocalTime now = platform::clockLocalTime();
    return dateValueOf(now) * 1000 + now.millisecond;
}
