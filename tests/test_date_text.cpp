// Date values from the wall clock and their date and time texts.
#include <gtest/gtest.h>

#include "fakes/fake_clock.h"
#include "logging/DateText.h"

namespace {

TEST(DateText, ClockReadingsBecomeDateValues)
{
    struct Case {
        platform::LocalTime now;
        DateValue value;
        const char* date;
        const char* time;
    } cases[] = {
        {{2026, 12, 7, 9, 5, 3}, 1796634303, "07.12.2026", "09:05:03"},
        {{1970, 1, 1, 0, 0, 0}, 0, "01.01.1970", "00:00:00"},
        {{2000, 2, 29, 0, 0, 0}, 951782400, "29.02.2000", "00:00:00"},
        {{2028, 2, 29, 12, 0, 0}, 1835438400, "29.02.2028", "12:00:00"},
        {{2038, 1, 19, 3, 14, 8}, 2147483648, "19.01.2038", "03:14:08"},
        {{2400, 2, 29, 0, 0, 0}, 13574563200, "29.02.2400", "00:00:00"},
    };
    for (const Case& c : cases) {
        fakeClockScript({c.now});
        DateValue value = clockNow();
        EXPECT_EQ(value, c.value) << c.date;
        EXPECT_EQ(dateText(value), c.date);
        EXPECT_EQ(timeText(value), c.time);
    }
}

TEST(DateText, ValuesCrossDaysMonthsAndYears)
{
    struct Case {
        DateValue value;
        const char* date;
        const char* time;
    } cases[] = {
        {0, "01.01.1970", "00:00:00"},
        {86399, "01.01.1970", "23:59:59"},
        {86400, "02.01.1970", "00:00:00"},
        {1798761599, "31.12.2026", "23:59:59"},
        {1798761599 + 1, "01.01.2027", "00:00:00"},
        {1835395199 + 1, "29.02.2028", "00:00:00"},  // 2028 is a leap year
        {4107456000 + 86400, "01.03.2100", "00:00:00"},  // 2100 is not
        {946684799 + 1, "01.01.2000", "00:00:00"},
        {2147483647, "19.01.2038", "03:14:07"},
        {2147483648, "19.01.2038", "03:14:08"},  // beyond a 32-bit count
        {253402300799, "31.12.9999", "23:59:59"},
        {253402300800, "01.01.10000", "00:00:00"},
        {-1, "00.00.0000", "00:00:00"},
        {-86400 * 365, "00.00.0000", "00:00:00"},
        {971890963199, "31.12.32767", "23:59:59"},
        {971890963200, "00.00.0000", "00:00:00"},  // past what the calendar types hold
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dateText(c.value), c.date) << "value " << c.value;
        EXPECT_EQ(timeText(c.value), c.time) << "value " << c.value;
    }
}

TEST(DateText, MaskTokensInEitherCase)
{
    constexpr DateValue value = 1796634303;  // 07.12.2026 09:05:03
    struct Case {
        std::string_view mask;
        const char* text;
    } cases[] = {
        {"%YYYY-%Mm-%Dd", "2026-12-07"},
        {"%yy", "26"},
        {"%yyy", "26y"},  // %yyyy does not fit, so %yy takes the first two letters
        {"%HH%II%SS", "090503"},
        {"%%dd", "%07"},
        {"%x", "%x"},
        {"100%", "100%"},
        {"%", "%"},
        {"%d", "%d"},
        {"%%", "%%"},
        {"dd mm", "dd mm"},
        {"", ""},
        {"%dd%mm", "0712"},
        {"f\xFCr %dd", "f\xFCr 07"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatDate(value, c.mask), c.text) << "mask " << c.mask;
}

TEST(DateText, NegativeValuesGiveZeroFields)
{
    EXPECT_EQ(formatDate(-5, "%yyyy/%yy/%mm/%dd %hh:%ii:%ss"), "0000/00/00/00 00:00:00");
}

}  // namespace
