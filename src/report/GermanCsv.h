// The copy of the log rows that a German spreadsheet opens as it is: semicolons, decimal commas,
// one header row.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

struct GermanCsv {
    std::FILE* file = nullptr;
    std::string buffer;
    std::array<std::string, 8> titles;  // of its one header row
    bool headerWritten = false;
    bool failed = false;
};

// titles are those of the log's first header row (firstTitles), also for rows before it.
bool openGermanCsv(GermanCsv& copy, const std::string& path, const std::array<std::string, 8>& titles);
// The header row comes at the log's first header or before its first row; the later ones are
// left out.
void copyHeader(GermanCsv& copy);
// line is a data row without its line end.
void copyRow(GermanCsv& copy, std::string_view line);
// Writes out the rest; false if any write failed.
bool closeGermanCsv(GermanCsv& copy);
