// The window's controls as a text file for end-to-end tests, the same on every toolkit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Appends one line: the control number, its colour as six hex digits of 0xBBGGRR (or "-" when
// none is set), and its text with backslash, CR, LF, tab and non-ASCII bytes escaped.
void appendDumpLine(std::string& out, int control, bool coloured, std::uint32_t colour,
                    std::string_view text);

}  // namespace platform
