// The report's figures as texts: numbers, stamps and durations, and the tab-separated summary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "logging/DateText.h"
#include "report/LogFigures.h"

// A whole number in plain digits.
std::string numberText(std::int64_t value);
// "dd.mm.yyyy hh:mm:ss"
std::string stampText(DateValue stamp);
// Thousandths as a decimal text with the given point, e.g. 2500 -> "2.500" or "2,50".
std::string milliText(std::int64_t milli, int decimals, char point);
// "3 Tage 4 h", "2 h 5 min", "12 s": the two largest units, rounded to the smaller one.
std::string durationText(DateValue seconds);

// Rounded half away from zero.
std::int64_t meanMilli(const AnalogFigures& analog);
// The share of time closed in tenths of a percent, or -1 when the input was never read.
std::int64_t closedPermille(const DigitalFigures& digital);

// One line a count ("runs", "rows", "skipped", "away", "gaps", "from", "to"), then one line per
// input: "analog" n label values min max mean last time-of-min time-of-max time-of-last, and
// "digital" n label values changes closed-percent last time-of-last; "-" where nothing was read.
std::string summaryText(const LogFigures& figures);
