// Writes the German copy through one large buffer: it may hold as many rows as the log.
#include "report/GermanCsv.h"

namespace {

constexpr std::size_t flushBytes = std::size_t{1} << 20;

void flush(GermanCsv& copy)
{
    if (!copy.buffer.empty() &&
        std::fwrite(copy.buffer.data(), 1, copy.buffer.size(), copy.file) != copy.buffer.size())
        copy.failed = true;
    copy.buffer.clear();
}

// A label with a semicolon or a quote goes in quotes, its quotes doubled.
void appendLabel(std::string& out, std::string_view label)
{
    if (label.find_first_of(";\"") == std::string_view::npos) {
        out += label;
        return;
    }
    out += '"';
    for (char c : label) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void writeHeader(GermanCsv& copy, const std::array<std::string, 8>& labels)
{
    copy.buffer += "Datum;Uhrzeit";
    for (const std::string& label : labels) {
        copy.buffer += ';';
        appendLabel(copy.buffer, label);
    }
    copy.buffer += "\r\n";
    copy.headerWritten = true;
}

}  // namespace

bool openGermanCsv(GermanCsv& copy, const std::string& path)
{
    copy.file = std::fopen(path.c_str(), "wb");
    copy.buffer.reserve(2 * flushBytes);
    return copy.file != nullptr;
}

void copyHeader(GermanCsv& copy, const std::array<std::string_view, 8>& labels)
{
    if (copy.headerWritten) return;
    std::array<std::string, 8> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = std::string(labels[i]);
    writeHeader(copy, texts);
}

void copyRow(GermanCsv& copy, std::string_view line)
{
    if (!copy.headerWritten) {
        std::array<std::string, 8> texts;
        for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = defaultLabel(i);
        writeHeader(copy, texts);
    }
    std::string& out = copy.buffer;
    out.append(line.substr(0, 10));
    out += ';';
    out.append(line.substr(11, 8));
    // The rest holds only the values and their commas.
    for (char c : line.substr(19)) out += c == ',' ? ';' : c == '.' ? ',' : c;
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
