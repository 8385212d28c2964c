// Splits the bytes at line feeds without copying, except for a line cut by a chunk's end.
#include "report/LogReader.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "report/FixedRow.h"

namespace {

constexpr std::size_t chunkBytes = std::size_t{1} << 18;

void handleLine(LogReader& reader, std::string_view line)
{
    LogFigures& figures = *reader.figures;
    addRows(figures, reader.batch);  // the rows before this line come first
    if (line.size() > maxLineBytes) {
        ++figures.skippedLines;
        return;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    LogRow& row = reader.row;
    std::array<std::string_view, 8>& titles = reader.titles;
    switch (parseLogLine(line, reader.cache, row, titles)) {
        case LineKind::row:
            addRow(figures, row);
            if (reader.copy) copyRow(*reader.copy, line, row.silentInputs);
            return;
        case LineKind::header:
            startRun(figures, &titles);
            if (reader.copy) copyHeader(*reader.copy);
            return;
        case LineKind::malformed:
            ++figures.skippedLines;
            // A run that started after a crash mid-row: its header follows the remains on one line.
            if (const std::string_view header = joinedHeader(line);
                !header.empty() && parseLogLine(header, reader.cache, row, titles) == LineKind::header) {
                startRun(figures, &titles);
                if (reader.copy) copyHeader(*reader.copy);
            }
            return;
    }
}

void keepPartial(LogReader& reader, const char* begin, const char* end)
{
    const auto size = static_cast<std::size_t>(end - begin);
    if (reader.overlong || size > maxLineBytes - reader.partialSize) {
        reader.overlong = true;
        reader.partialSize = 0;
        return;
    }
    std::memcpy(reader.partial.data() + reader.partialSize, begin, size);
    reader.partialSize += size;
}

void endPartialLine(LogReader& reader)
{
    if (reader.overlong)
        ++reader.figures->skippedLines;
    else
        handleLine(reader, std::string_view(reader.partial.data(), reader.partialSize));
    reader.overlong = false;
    reader.partialSize = 0;
}

// The whole file, or with untilTitles up to the chunk that brings the first header's titles;
// false if it cannot be opened or read.
bool readFile(LogReader& reader, const std::string& path, bool untilTitles)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    // Whole chunks straight into our buffer, past the stream's own.
    std::setvbuf(file, nullptr, _IONBF, 0);
    const auto chunk = std::make_unique<char[]>(chunkBytes);
    beginLogFile(reader);
    std::size_t got = 0;
    while (!(untilTitles && reader.figures->haveTitles) && (got = std::fread(chunk.get(), 1, chunkBytes, file)) > 0)
        feedLog(reader, chunk.get(), got);
    const bool readToEnd = std::ferror(file) == 0;
    std::fclose(file);
    endLogFile(reader);
    return readToEnd;
}

}  // namespace

void beginLogFile(LogReader& reader)
{
    reader.partialSize = 0;
    reader.overlong = false;
}

void feedLog(LogReader& reader, const char* data, std::size_t size)
{
    const char* at = data;
    const char* const end = data + size;
    if (reader.partialSize > 0 || reader.overlong) {
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', size));
        keepPartial(reader, at, newline ? newline : end);
        if (!newline) return;
        endPartialLine(reader);
        at = newline + 1;
    }
    UsualRow row;
    while (at < end) {
        // Most lines are the logger's usual row: no search for the line end, no line to split.
        if (end - at > static_cast<std::ptrdiff_t>(usualRowBytes + 1) &&
            fixedRow::load<std::uint16_t>(at + usualRowBytes) == fixedRow::load<std::uint16_t>(logLineEnd.data()) &&
            parseFixedRow(at, reader.cache, row)) {
            if (row.silentInputs != 0) {
                // A copy: the row itself never leaves this loop, so that it can stay in registers.
                const LogRow single = logRowOf(row);
                addRows(*reader.figures, reader.batch);
                addRow(*reader.figures, single);
            } else if (gather(reader.batch, row, *reader.figures)) {
                addRows(*reader.figures, reader.batch);
            }
            if (reader.copy) copyRow(*reader.copy, std::string_view(at, usualRowBytes), row.silentInputs);
            at += usualRowBytes + logLineEnd.size();
            continue;
        }
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        if (!newline) {
            keepPartial(reader, at, end);
            return;
        }
        handleLine(reader, std::string_view(at, static_cast<std::size_t>(newline - at)));
        at = newline + 1;
    }
}

void endLogFile(LogReader& reader)
{
    addRows(*reader.figures, reader.batch);
    if (reader.partialSize > 0 || reader.overlong) ++reader.figures->skippedLines;
    reader.partialSize = 0;
    reader.overlong = false;
}

bool readLogFile(LogReader& reader, const std::string& path) { return readFile(reader, path, false); }

std::array<std::string, 8> firstTitles(const std::vector<std::string>& paths)
{
    const auto figures = std::make_unique<LogFigures>();
    const auto reader = std::make_unique<LogReader>();
    reader->figures = figures.get();
    for (std::size_t i = 0; i < paths.size() && !figures->haveTitles; ++i) readFile(*reader, paths[i], true);
    std::array<std::string, 8> titles;
    for (std::size_t i = 0; i < titles.size(); ++i) titles[i] = titleOf(*figures, i);
    return titles;
}
