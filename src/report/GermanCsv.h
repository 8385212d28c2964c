// The copy of the log rows that a German spreadsheet opens as it is: semicolons, decimal commas,
// one header row.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "report/LogLine.h"

struct GermanCsv {
    std::FILE* file = nullptr;
    std::string buffer;
    bool headerWritten = false;
    bool failed = false;
};

bool openGermanCsv(GermanCsv& copy, const std::string& path);
// The first header row seen names the columns; the later ones are left out.
void copyHeader(GermanCsv& copy, const std::array<std::string_view, 8>& labels);
// line is a data row without its line end. One that comes before any header gets the logger's
// own labels.
void copyRow(GermanCsv& copy, std::string_view line);
// Writes out the rest; false if any write failed.
bool closeGermanCsv(GermanCsv& copy);
