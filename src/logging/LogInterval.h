// The logging interval: parsing the typed answer, validation and its whole-unit figures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct LoggerState;

// Sets intervalMs and intervalText from the answer: a unit letter (S, M, H, D in either case)
// followed by a decimal number with a point, read whatever the locale.
void parseInterval(LoggerState& state, std::string_view answer);

// At least one second, finite, and its whole seconds fit a signed 32-bit number.
bool intervalValid(const LoggerState& state);

// Shows the interval prompt (or takes the given answer in its place), parses and validates it.
bool askInterval(LoggerState& state, const std::optional<std::string>& givenAnswer);

// Sets intervalSeconds/Minutes/Hours/Days and their texts from intervalMs.
void describeInterval(LoggerState& state);

// The first whole multiple of the interval (in whole milliseconds) after the wall-clock moment
// afterMs, counted from 1 January 1970: for an interval that divides a day, the multiples from
// every midnight.
std::int64_t nextSlotMs(double intervalMs, std::int64_t afterMs);

// Rounds to the nearest whole number, halves to the even neighbour, whatever the rounding mode.
double roundHalfEven(double value);
