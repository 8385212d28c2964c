// One line of the logger's CSV log, parsed in place: a header row, a data row or a malformed line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "logging/DateText.h"
#include "logging/LogFormat.h"

enum class LineKind { row, header, malformed };

// Analog values in millionths of their input's unit (of a volt in the voltage form): exact for
// every value the logger writes, which lie below 10^12 with up to six decimals.
using AnalogValue = std::int64_t;
constexpr int valuePlaces = 6;
constexpr AnalogValue thousandth = 1000;  // of the unit, in millionths

// A number as written, in millionths; false for one that the logger cannot write, with more
// than six decimals or of 10^12 or more.
bool analogValueOf(const AnalogFieldValue& field, AnalogValue& value);

// A data row.
struct LogRow {
    DateValue stamp = 0;
    std::array<AnalogValue, 4> analog{};
    std::uint32_t emptyFields = 0;  // bit n: analog field n+1 is empty, no reading
    // byte n: bit p set when analog value n+1 has p decimals; "-0.0", the voltage form's "0.00"
    // cut to four characters, has two
    std::uint32_t places = 0;
    std::uint32_t knownInputs = 0;   // bit n: digital input n+1 has a code (empty before its first reading)
    std::uint32_t closedInputs = 0;  // bit n: digital input n+1 is closed (code 1)
    // bit n: analog input n+1 has what a missing reply gives ("-0.0" in the voltage form, an empty
    // field in the quantity form) in a row whose digital fields are all 1 or empty, which is what
    // they are without a reply; 0 in any other row.
    std::uint32_t silentInputs = 0;
};

constexpr std::uint32_t allInputs = 0xF;

// Two decimals in each of the four values, as LogRow::places has them.
constexpr std::uint32_t usualPlaces = 0x04040404;

// The usual row as the reader's shortcut (FixedRow.h) reads it: every digital input read, no
// field empty, every value with two decimals, and the values in thousandths, as the batches of
// LogFigures.h take them.
struct UsualRow {
    DateValue stamp = 0;
    std::array<std::int32_t, 4> milli{};
    std::uint32_t closedInputs = 0;
    std::uint32_t silentInputs = 0;
};

inline LogRow logRowOf(const UsualRow& usual)
{
    LogRow row;
    row.stamp = usual.stamp;
    for (std::size_t i = 0; i < 4; ++i) row.analog[i] = usual.milli[i] * thousandth;
    row.places = usualPlaces;
    row.knownInputs = allInputs;
    row.closedInputs = usual.closedInputs;
    row.silentInputs = usual.silentInputs;
    return row;
}

// Every reply missing: the board was away for the whole reading.
inline bool isAway(const LogRow& row) { return row.silentInputs == allInputs; }

// What the row before had, for the rows that have the same: its date's text and the date value
// of its midnight, and the usual row's digital codes as read and decoded.
struct RowCache {
    // At first that of the date value 0, which dayStart holds.
    std::array<char, usualRowLayout.fieldAt[timeField] - 1> text{'0', '1', '.', '0', '1', '.', '1', '9', '7', '0'};
    DateValue dayStart = 0;
    std::uint64_t codes = 0;
    std::uint32_t closedInputs = 0;
};

// Takes the date text at text into the cache; false, and the cache unchanged, if it names no
// real date.
bool refreshDate(RowCache& cache, const char* text);

// line comes without its line end, and is read field by field. For a header, titles get the eight
// column titles.
LineKind parseLogLine(std::string_view line, RowCache& cache, LogRow& row, std::array<std::string_view, 8>& titles);

// A header row that follows the remains of a row cut short, on the same line; empty if none.
std::string_view joinedHeader(std::string_view line);

// The logger's own label of input 1 to 4 (analog) or 5 to 8 (digital), for rows without a header.
std::string defaultLabel(std::size_t index);
