// One line of the logger's CSV log, parsed in place: a header row, a data row or a malformed line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "logging/DateText.h"
#include "logging/LogFormat.h"

enum class LineKind { row, header, malformed };

// A data row. Analog values are in thousandths of a volt.
struct LogRow {
    DateValue stamp = 0;
    std::array<std::int32_t, 4> analogMilli{};
    std::uint32_t knownInputs = 0;   // bit n: digital input n+1 has a code (empty before its first reading)
    std::uint32_t closedInputs = 0;  // bit n: digital input n+1 is closed (code 1)
    // bit n: analog input n+1 reads "-0.0", what a missing reply gives, in a row whose digital
    // fields are all 1 or empty, which is what they are without a reply; 0 in any other row.
    std::uint32_t silentInputs = 0;
};

constexpr std::uint32_t allInputs = 0xF;

// Every reply missing: the board was away for the whole reading.
inline bool isAway(const LogRow& row) { return row.silentInputs == allInputs; }

// What the row before had, for the rows that have the same: a real date's text and the date
// value of its midnight, and the usual row's digital codes as read and decoded.
struct RowCache {
    std::array<char, 10> text{'0', '1', '.', '0', '1', '.', '1', '9', '7', '0'};
    DateValue dayStart = 0;
    std::uint64_t codes = 0;
    std::uint32_t closedInputs = 0;
};

// Takes the date text at text into the cache; false, and the cache unchanged, if it names no
// real date.
bool refreshDate(RowCache& cache, const char* text);

// line comes without its line end, and is read field by field. For a header, labels get the eight
// labels.
LineKind parseLogLine(std::string_view line, RowCache& cache, LogRow& row, std::array<std::string_view, 8>& labels);

// A header row that follows the remains of a row cut short, on the same line; empty if none.
std::string_view joinedHeader(std::string_view line);

// The logger's own label of input 1 to 4 (analog) or 5 to 8 (digital), for rows without a header.
std::string defaultLabel(std::size_t index);
