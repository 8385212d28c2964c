// Formats the control dump that the window layers write when AVRNETIO_DUMP_CONTROLS names a file.
#include "platform/ControlDump.h"

#include <charconv>

namespace {

void appendHex(std::string& out, unsigned value, int digits)
{
    char buffer[8];
    char* end = std::to_chars(buffer, buffer + sizeof buffer, value, 16).ptr;
    if (end - buffer < digits) out.append(static_cast<std::size_t>(digits - (end - buffer)), '0');
    out.append(buffer, end);
}

}  // namespace

namespace platform {

void appendDumpLine(std::string& out, int control, bool coloured, std::uint32_t colour,
                    std::string_view text)
{
    char number[16];
    out.append(number, std::to_chars(number, number + sizeof number, control).ptr);
    out += '\t';
    if (coloured) {
        appendHex(out, colour, 6);
    } else {
        out += '-';
    }
    out += '\t';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte > 0x7E) {
            out += "\\x";
            appendHex(out, byte, 2);
        } else {
            out += c;
        }
    }
    out += '\n';
}

}  // namespace platform
