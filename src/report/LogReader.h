// Streams log files line by line through a fixed buffer into the report's figures and, when asked,
// into the German copy. Any bytes are accepted: a line that is no header and no row is counted.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "report/GermanCsv.h"
#include "report/LogFigures.h"
#include "report/LogLine.h"

// The logger's longest line is its header, some 200 bytes; longer ones are skipped unread.
constexpr std::size_t maxLineBytes = 4096;

struct LogReader {
    LogFigures* figures = nullptr;
    GermanCsv* copy = nullptr;  // none when null
    RowCache cache;
    RowBatch batch;  // the usual rows not yet added to the figures
    LogRow row;      // kept here rather than made anew for each line
    std::array<std::string_view, 8> titles;
    std::array<char, maxLineBytes> partial{};  // a line that continues in the next chunk
    std::size_t partialSize = 0;
    bool overlong = false;  // the line under way is skipped up to its line end
};

// One file's bytes in any chunks: begin, feed each chunk, end. The end counts a last line that
// has no line end: the write that should have ended it never happened. The files follow one
// another as one log; finishFigures completes the figures after the last.
void beginLogFile(LogReader& reader);
void feedLog(LogReader& reader, const char* data, std::size_t size);
void endLogFile(LogReader& reader);

// The whole file at path; false if it cannot be opened or read to its end.
bool readLogFile(LogReader& reader, const std::string& path);

// The column titles of the files' first header row, for the German copy, which writes its header
// before the rows that may come first; the logger's own labels when no file has one. Reads up to
// that row, which is usually in the first chunk.
std::array<std::string, 8> firstTitles(const std::vector<std::string>& paths);
