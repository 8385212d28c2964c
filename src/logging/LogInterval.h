// The logging interval: parsing the typed answer, validation and its whole-unit figures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct LoggerState;
struct Settings;

// An answer as read: the interval in milliseconds (0 without a unit letter) and the text that
// it leaves, the interval's whole seconds, or the answer as it stands without a unit letter.
struct IntervalAnswer {
    double ms = 0.0;
    std::string text;
};

// Reads the answer: a unit letter (S, M, H, D in either case) followed by a decimal number with
// a point, read whatever the locale.
IntervalAnswer parseInterval(std::string_view answer);

// At least one second, finite, and its whole seconds fit a signed 32-bit number.
bool intervalValid(const IntervalAnswer& interval);

// Shows the interval prompt, offering the settings' interval, or takes that one where it is
// given; sets intervalMs and intervalText, and says whether they are valid.
bool askInterval(LoggerState& state, const Settings& settings);

// Sets intervalSeconds/Minutes/Hours/Days and their texts from intervalMs.
void describeInterval(LoggerState& state);

// The first whole multiple of the interval (in whole milliseconds) after the wall-clock moment
// afterMs, counted from 1 January 1970: for an interval that divides a day, the multiples from
// every midnight.
std::int64_t nextSlotMs(double intervalMs, std::int64_t afterMs);

// Rounds to the nearest whole number, halves to the even neighbour, whatever the rounding mode.
double roundHalfEven(double value);
