// Fuzzes formatDate with any date value and any mask: no crash; the date and time texts are
// well-formed, name a real calendar moment and lead back to the value; negative values give zeros.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "logging/DateText.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

bool isDigits(std::string_view text)
{
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::int64_t number(std::string_view digits)
{
    std::int64_t value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

bool isLeapYear(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days from 1970-01-01, counted year by year and month by month rather than the way the code does.
std::int64_t daysSince1970(std::int64_t year, std::int64_t month, std::int64_t day)
{
    static constexpr int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    // Whole 400-year cycles first: each has exactly 146097 days.
    std::int64_t days = (year - 1970) / 400 * 146097;
    for (std::int64_t y = 1970 + (year - 1970) / 400 * 400; y < year; ++y)
        days += isLeapYear(y) ? 366 : 365;
    for (std::int64_t m = 1; m < month; ++m)
        days += monthDays[m - 1] + (m == 2 && isLeapYear(year) ? 1 : 0);
    return days + day - 1;
}

std::int64_t daysInMonth(std::int64_t year, std::int64_t month)
{
    static constexpr int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return monthDays[month - 1] + (month == 2 && isLeapYear(year) ? 1 : 0);
}

void checkRealMasks(DateValue value)
{
    const std::string date = dateText(value);
    const std::string time = timeText(value);
    check(date == formatDate(value, "%dd.%mm.%yyyy") && time == formatDate(value, "%hh:%ii:%ss"));

    check(date.size() >= 10 && date[2] == '.' && date[5] == '.' && time.size() == 8 &&
          time[2] == ':' && time[5] == ':');
    const std::string_view dayText = std::string_view(date).substr(0, 2);
    const std::string_view monthText = std::string_view(date).substr(3, 2);
    const std::string_view yearText = std::string_view(date).substr(6);
    check(isDigits(dayText) && isDigits(monthText) && isDigits(yearText) && yearText.size() <= 6);
    check(isDigits(std::string_view(time).substr(0, 2)) &&
          isDigits(std::string_view(time).substr(3, 2)) &&
          isDigits(std::string_view(time).substr(6, 2)));

    if (value < 0) check(date == "00.00.0000" && time == "00:00:00");
    if (date == "00.00.0000") {
        // Negative values are not converted; nor are those past the year 30000.
        check(time == "00:00:00");
        check(value < 0 || value > 900'000'000'000);
        return;
    }
    check(value >= 0);
    check(yearText.size() == 4 || yearText[0] != '0');
    const std::int64_t year = number(yearText);
    const std::int64_t month = number(monthText);
    const std::int64_t day = number(dayText);
    const std::int64_t hour = number(std::string_view(time).substr(0, 2));
    const std::int64_t minute = number(std::string_view(time).substr(3, 2));
    const std::int64_t second = number(std::string_view(time).substr(6, 2));
    check(year >= 1970 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month));
    check(hour <= 23 && minute <= 59 && second <= 59);
    check(daysSince1970(year, month, day) * 86400 + hour * 3600 + minute * 60 + second == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first eight bytes are the date value, the rest is the mask.
    if (size < 8) return 0;
    DateValue value = 0;
    std::memcpy(&value, data, sizeof value);
    const std::string_view mask(reinterpret_cast<const char*>(data + 8), size - 8);

    checkRealMasks(value);

    const std::string text = formatDate(value, mask);
    // Every token is replaced by no more characters than it has, up to the year 99999.
    check(text.size() <= mask.size());
    if (mask.find('%') == std::string_view::npos) check(text == mask);
    return 0;
}
