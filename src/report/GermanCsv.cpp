// Writes the German copy through one large buffer: it may hold as many rows as the log.
#include "report/GermanCsv.h"

#include "logging/LogFormat.h"
#include "report/LogLine.h"

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

// Field n of the row is left empty where bit n of blankFields is set.
void appendRow(GermanCsv& copy, std::string_view line, std::uint32_t blankFields)
{
    std::string& out = copy.buffer;
    // Date and time keep their points; the values take decimal commas.
    constexpr std::size_t valuesAt = usualRowLayout.fieldAt[firstAnalogField];
    std::size_t field = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == logSeparator) {
            ++field;
            out += ';';
        } else if ((blankFields >> field & 1u) == 0) {
            out += c == '.' && i >= valuesAt ? ',' : c;
        }
    }
    out += "\r\n";
    if (out.size() >= flushBytes) flush(copy);
}

// The fields of a row that the figures count as an outage with these silent values: the
// digital codes then are what a missing reply gives too.
std::uint32_t outageFields(std::uint32_t silentInputs)
{
    constexpr std::uint32_t digitalFields = allInputs << firstDigitalField;
    return silentInputs == 0 ? 0 : silentInputs << firstAnalogField | digitalFields;
}

void releaseHeld(GermanCsv& copy, bool outageFollows)
{
    if (!copy.holding) return;
    copy.holding = false;
    appendRow(copy, copy.held, outageFollows ? outageFields(copy.heldSilent) : 0);
    copy.previousAway = false;
}

}  // namespace

bool openGermanCsv(GermanCsv& copy, const std::string& path, const std::array<std::string, 8>& titles)
{
    copy.titles = titles;
    copy.file = std::fopen(path.c_str(), "wb");
    copy.buffer.reserve(2 * flushBytes);
    return copy.file != nullptr;
}

void copyHeader(GermanCsv& copy)
{
    // A new run: its first row follows no absent board.
    releaseHeld(copy, false);
    copy.previousAway = false;
    writeHeader(copy);
}

void copyRow(GermanCsv& copy, std::string_view line, std::uint32_t silentInputs)
{
    writeHeader(copy);
    const bool away = silentInputs == allInputs;
    releaseHeld(copy, away);
    if (silentInputs != 0 && !away && !copy.previousAway) {
        copy.held.assign(line);
        copy.heldSilent = silentInputs;
        copy.holding = true;
        return;
    }
    appendRow(copy, line, outageFields(silentInputs));
    copy.previousAway = away;
}

bool closeGermanCsv(GermanCsv& copy)
{
    if (!copy.file) return false;
    releaseHeld(copy, false);
    flush(copy);
    const bool closed = std::fclose(copy.file) == 0;
    copy.file = nullptr;
    return closed && !copy.failed;
}
