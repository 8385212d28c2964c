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
// A value in millionths with the given decimals and point, rounded half away from zero, e.g.
// 2500000 -> "2.500" or "2,50".
std::string valueText(AnalogValue value, int decimals, char point);
// Tenths of a percent as a percentage with one decimal, e.g. 333 -> "33.3".
std::string shareText(std::int64_t permille, char point);
// "3 Tage 4 h", "2 h 5 min", "12 s": the two largest units, rounded to the smaller one.
std::string durationText(DateValue seconds);

// The mean rounded half away from zero to decimals places, in millionths.
AnalogValue meanValue(const AnalogFigures& analog, int decimals);
// The share of time closed in tenths of a percent, or -1 when the input was never read.
std::int64_t closedPermille(const DigitalFigures& digital);

// A text from the log's header as UTF-8: kept when it is UTF-8, else taken as Latin-1.
std::string utf8Of(std::string_view text, bool utf8);
// The bytes of the control character (C0, DEL, or C1 from U+0080 to U+009F) at text[at] of UTF-8
// text; 0 for any other.
std::size_t controlAt(std::string_view text, std::size_t at);

// One line a count ("runs", "rows", "skipped", "away", "gaps", with an alarm log "alarms" with the
// alarms, those without an end and the alarm log's lines skipped, "from", "to"), then one line per
// input: "analog" n title values min max mean last time-of-min time-of-max time-of-last, and
// "digital" n title values changes closed-percent last time-of-last; "-" where nothing was read.
// Values in the input's unit, with three decimals in the voltage form and with the input's own in
// the quantity form; titles in UTF-8.
std::string summaryText(const LogFigures& figures);
