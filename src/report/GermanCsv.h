// The copy of the log rows that a German spreadsheet opens as it is: semicolons, decimal commas,
// one header row, and an empty cell where the figures count no reading, so that a chart shows
// a gap rather than a drop to 0 V.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

struct GermanCsv {
    std::FILE* file = nullptr;
    std::string buffer;
    std::array<std::string, 8> titles;  // of its one header row
    bool headerWritten = false;
    bool failed = false;
    // As the figures do it: a row with some values of a missing reply waits for the next row,
    // which tells whether it is the edge of an outage; a row after an absent board's is one at once.
    bool previousAway = false;
    bool holding = false;
    std::string held;
    std::uint32_t heldSilent = 0;
};

// titles are those of the log's first header row (firstTitles), also for rows before it.
bool openGermanCsv(GermanCsv& copy, const std::string& path, const std::array<std::string, 8>& titles);
// The header row comes at the log's first header or before its first row; the later ones are
// left out.
void copyHeader(GermanCsv& copy);
// line is a data row without its line end; silentInputs as LogRow has them. In a row that the
// figures count as an outage the silent values and the digital codes are left empty.
void copyRow(GermanCsv& copy, std::string_view line, std::uint32_t silentInputs);
// Writes out the rest; false if any write failed.
bool closeGermanCsv(GermanCsv& copy);
