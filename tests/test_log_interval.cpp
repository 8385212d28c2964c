// Parsing, validation and description of the logging interval.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "driver/LoggerState.h"
#include "logging/LogInterval.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

LoggerState parsed(std::string_view answer)
{
    LoggerState state;
    resetLoggerState(state);
    const IntervalAnswer interval = parseInterval(answer);
    state.intervalMs = interval.ms;
    state.intervalText = interval.text;
    return state;
}

bool valid(const LoggerState& state) { return intervalValid({state.intervalMs, state.intervalText}); }

TEST(LogInterval, AnswersGiveMillisecondsTextAndValidity)
{
    struct Case {
        std::string_view answer;
        double ms;
        const char* text;
        bool valid;
    } cases[] = {
        {"S10", 10000, "10", true},
        {"m1.5", 90000, "90", true},
        {"H2", 7200000, "7200", true},
        {"D1", 86400000, "86400", true},
        {"d1", 86400000, "86400", true},
        {"h0.5", 1800000, "1800", true},
        {"M90", 5400000, "5400", true},
        {"S1", 1000, "1", true},
        {"S2.5", 2500, "2", true},
        {"S3.5", 3500, "4", true},
        {"S1,5", 1000, "1", true},
        {"s 10", 10000, "10", true},
        {"s\t\n10", 10000, "10", true},
        {"S10abc", 10000, "10", true},
        {"S1e2", 100000, "100", true},
        {"S+5", 5000, "5", true},
        {"S.5e1", 5000, "5", true},
        {"S5.", 5000, "5", true},
        {"S5e", 5000, "5", true},  // an exponent without digits is not read
        {"S25e-1", 2500, "2", true},
        {"X5", 0, "X5", false},
        {" S10", 0, " S10", false},
        {"S0", 0, "0", false},
        {"S", 0, "0", false},
        {"s-3", -3000, "-3", false},
        {"S-2.5", -2500, "-2", false},
        {"S0.9999", 999.9, "1", false},
        {"", 0, "", false},
        {"S.", 0, "0", false},
        {"S-.e5", 0, "0", false},
        {"Sinf", 0, "0", false},
        {"Snan", 0, "0", false},
        {"S0x10", 0, "0", false},  // no hexadecimal: the number is the 0 before the x
        {"S2147483647", 2147483647000.0, "2147483647", true},
        {"S2147483648", 2147483648000.0, "2147483648", false},
        {"D24855", 2147472000000.0, "2147472000", true},
        {"D24856", 2147558400000.0, "2147558400", false},
        {"S1e-400", 0, "0", false},
        {"S1e300", 1e300 * 1000.0, "", false},  // finite, but its seconds fit no 64-bit number
        {"S1e400", inf, "", false},
        {"S1e99999999999999999999", inf, "", false},
        {"S1e-99999999999999999999", 0, "0", false},
        {"S1e306", inf, "", false},  // finite number, infinite milliseconds
        {"S9223372036854775807", 9223372036854775807e3, "", false},
    };
    for (const Case& c : cases) {
        LoggerState state = parsed(c.answer);
        EXPECT_DOUBLE_EQ(state.intervalMs, c.ms) << "answer " << c.answer;
        EXPECT_EQ(state.intervalText, c.text) << "answer " << c.answer;
        EXPECT_EQ(valid(state), c.valid) << "answer " << c.answer;
    }
}

TEST(LogInterval, MinutesAreMultipliedInTheirOrder)
{
    LoggerState state = parsed("M0.0167");
    EXPECT_EQ(state.intervalMs, 0.0167 * 1000.0 * 60.0);
    EXPECT_NEAR(state.intervalMs, 1002.0, 1e-9);
    EXPECT_EQ(state.intervalText, "1");
    EXPECT_TRUE(valid(state));
}

TEST(LogInterval, NumbersIgnoreTheLocale)
{
    const char* german = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
        if (std::setlocale(LC_ALL, name)) {
            german = name;
            break;
        }
    if (!german) GTEST_SKIP() << "no German locale installed";
    LoggerState state = parsed("S2.5");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(state.intervalMs, 2500.0);
    EXPECT_EQ(state.intervalText, "2");
}

TEST(LogInterval, ValidationLooksAtMillisecondsAndText)
{
    struct Case {
        double ms;
        const char* text;
        bool valid;
    } cases[] = {
        {1000.0, "1", true},
        {999.9999, "1", false},
        {1000.0, "", false},
        {inf, "1", false},
        {std::nan(""), "1", false},
        {2147483647499.0, "2147483647", true},
        {2147483647500.0, "2147483648", false},  // rounds to the even 2147483648
    };
    for (const Case& c : cases) {
        LoggerState state;
        resetLoggerState(state);
        state.intervalMs = c.ms;
        state.intervalText = c.text;
        EXPECT_EQ(valid(state), c.valid) << "ms " << c.ms << " text " << c.text;
    }
}

TEST(LogInterval, RoundsHalvesToEven)
{
    struct Case {
        double value;
        double rounded;
    } cases[] = {
        {0.5, 0.0},   {1.5, 2.0},     {2.5, 2.0},     {3.5, 4.0},
        {-0.5, 0.0},  {-1.5, -2.0},   {-2.5, -2.0},   {2.4999999999999996, 2.0},
        {2.5000000000000004, 3.0},    {-2.6, -3.0},   {0.49999999999999994, 0.0},
        {4503599627370495.5, 4503599627370496.0},     {9007199254740994.0, 9007199254740994.0},
        {inf, inf},   {-inf, -inf},
    };
    for (const Case& c : cases) EXPECT_EQ(roundHalfEven(c.value), c.rounded) << "value " << c.value;
    EXPECT_TRUE(std::isnan(roundHalfEven(std::nan(""))));
}

TEST(LogInterval, FiguresAreTheSameIntervalInFourUnits)
{
    struct Case {
        std::string_view answer;
        const char* seconds;
        const char* minutes;
        const char* hours;
        const char* days;
    } cases[] = {
        {"S10", "10", "0", "0", "0"},
        {"m1.5", "90", "1", "0", "0"},
        {"H1", "3600", "60", "1", "0"},
        {"H2", "7200", "120", "2", "0"},
        {"S2.5", "2", "0", "0", "0"},
        {"D1", "86400", "1440", "24", "1"},
        {"M90", "5400", "90", "1", "0"},
        {"D24855", "2147472000", "35791200", "596520", "24855"},
    };
    for (const Case& c : cases) {
        LoggerState state = parsed(c.answer);
        describeInterval(state);
        EXPECT_EQ(state.intervalSecondsText, c.seconds) << "answer " << c.answer;
        EXPECT_EQ(state.intervalMinutesText, c.minutes) << "answer " << c.answer;
        EXPECT_EQ(state.intervalHoursText, c.hours) << "answer " << c.answer;
        EXPECT_EQ(state.intervalDaysText, c.days) << "answer " << c.answer;
        EXPECT_EQ(std::to_string(state.intervalSeconds), c.seconds);
        EXPECT_EQ(std::to_string(state.intervalDays), c.days);
    }
}

TEST(LogInterval, FiguresOfAnUnvalidatedIntervalStayInRange)
{
    struct Case {
        double ms;
        const char* seconds;
    } cases[] = {
        {inf, "2147483647"},
        {-inf, "-2147483648"},
        {std::nan(""), "0"},
        {1e300, "2147483647"},
        {-3000.0, "-3"},
    };
    for (const Case& c : cases) {
        LoggerState state;
        resetLoggerState(state);
        state.intervalMs = c.ms;
        describeInterval(state);
        EXPECT_EQ(state.intervalSecondsText, c.seconds) << "ms " << c.ms;
    }
}

TEST(LogInterval, SlotsOfTheAlignedSchedule)
{
    constexpr std::int64_t day = 86400000;
    constexpr std::int64_t noon = 20429 * day + 12 * 3600000;  // 07.12.2025 12:00:00
    struct Case {
        const char* what;
        double intervalMs;
        std::int64_t after;
        std::int64_t slot;
    } const cases[] = {
        {"S1: the next whole second", 1000, noon + 250, noon + 1000},
        {"S1 on a whole second: the one after", 1000, noon, noon + 1000},
        {"S2: even seconds", 2000, noon + 1001, noon + 2000},
        {"M1: the next minute", 60000, noon + 59999, noon + 60000},
        {"H1 before midnight: midnight", 3600000, noon + 11 * 3600000 + 5, noon + 12 * 3600000},
        {"S2.5: halves of a second count", 2500, noon + 1000, noon + 2500},
        {"S7 does not divide a day: counted from 1970", 7000, noon, (noon / 7000 + 1) * 7000},
        {"D2: every other midnight since 1970", 2 * day, noon, 20430 * day},
        {"before 1970", 1000, -1500, -1000},
    };
    for (const Case& c : cases) EXPECT_EQ(nextSlotMs(c.intervalMs, c.after), c.slot) << c.what;
}

}  // namespace
