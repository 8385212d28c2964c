// One line of the logger's CSV log, parsed in place: a header row, a data row or a malformed line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "logging/DateText.h"

enum class LineKind { row, header, malformed };

// A data row. Analog values are in thousandths of a volt.
struct LogRow {
    DateValue stamp = 0;
    std::array<std::int32_t, 4> analogMilli{};
    std::uint32_t readInputs = 0;    // bit n: digital input n+1 has a code (empty before its first reading)
    std::uint32_t closedInputs = 0;  // bit n: digital input n+1 is closed (code 1)
    bool away = false;               // every analog "-0.0" and every digital 1: no reply
};

// 1 closed, 0 open, -1 not read yet, for digital input index + 1.
inline int digitalState(const LogRow& row, std::size_t index)
{
    return (row.readInputs >> index & 1u) != 0 ? static_cast<int>(row.closedInputs >> index & 1u) : -1;
}

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

// line comes without its line end. For a header, labels get the eight labels.
LineKind parseLogLine(std::string_view line, RowCache& cache, LogRow& row, std::array<std::string_view, 8>& labels);
// The same, field by field, without the usual row's shortcut.
LineKind parseLogFields(std::string_view line, RowCache& cache, LogRow& row, std::array<std::string_view, 8>& labels);

// A header row that follows the remains of a row cut short, on the same line; empty if none.
std::string_view joinedHeader(std::string_view line);

// The logger's own label of input 1 to 4 (analog) or 5 to 8 (digital), for rows without a header.
std::string defaultLabel(std::size_t index);
