// Writes the German copy through one large buffer: it may hold as many rows as the log.
#include "report/GermanCsv.h"

#include "logging/LogFormat.h"

namespace {

constexpr std::size_t flushBytes = std::size_t{1} << 20;

void flush(GermanCsv& copy)
{
    if (!copy.buffer.empty() &&
        std::fwrite(copy.buffer.data(), 1, copy.buffer.size(), copy.file) != copy.buffer.size())
        copy.failed = true;
    copy.buffer.clear();
}

// A title with a semicolon or a quote goes in quotes, its quotes doubled. A carriage return, which
// a spreadsheet takes for a line end, becomes a blank.
void appendTitle(std::string& out, std::string_view title)
{
    const bool quoted = title.find_first_of(";\"") != std::string_view::npos;
    if (quoted) out += '"';
    for (char c : title) {
        if (c == '"') out += '"';
        out += c == '\r' ? ' ' : c;
    }
    if (quoted) out += '"';
}

void writeHeader(GermanCsv& copy)
{
    if (copy.headerWritten) return;
    copy.buffer += "Datum;Uhrzeit";
    for (const std::string& title : copy.titles) {
        copy.buffer += ';';
        appendTitle(copy.buffer, title);
    }
    copy.buffer += "\r\n";
    copy.headerWritten = true;
}

}  // namespace

bool openGermanCsv(GermanCsv& copy, const std::string& path, const std::array<std::string, 8>& titles)
{
    copy.titles = titles;
    copy.file = std::fopen(path.c_str(), "wb");
    copy.buffer.reserve(2 * flushBytes);
    return copy.file != nullptr;
}

void copyHeader(GermanCsv& copy) { writeHeader(copy); }

void copyRow(GermanCsv& copy, std::string_view line)
{
    writeHeader(copy);
    std::string& out = copy.buffer;
    // Date and time keep their points; the values take decimal commas.
    constexpr std::size_t valuesAt = usualRowLayout.fieldAt[firstAnalogField];
    for (std::size_t i = 0; i < line.size(); ++i)
        out += line[i] == logSeparator ? ';' : line[i] == '.' && i >= valuesAt ? ',' : line[i];
    out += "\r\n";
    if (out.size() >= flushBytes) flush(copy);
}

bool closeGermanCsv(GermanCsv& copy)
{
    if (!copy.file) return false;
    flush(copy);
    const bool closed = std::fclose(copy.file) == 0;
    copy.file = nullptr;
    return closed && !copy.failed;
}
