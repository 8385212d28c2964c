// Converting between Latin-1 and UTF-8, and telling valid UTF-8.
#include "driver/TextCodec.h"

#include <cstdio>

std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    // The sequence's length and the smallest code point it may hold, so overlong forms fail.
    const std::size_t length = (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || text.size() - i < length) return std::nullopt;
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    char32_t code = lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next >> 6) != 0x2) return std::nullopt;
        code = code << 6 | (next & 0x3Fu);
    }
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    i += length;
    return code;
}

std::string utf8FromLatin1(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

std::optional<std::string> latin1FromUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::optional<char32_t> code = nextCodePoint(text, i);
        if (!code || *code > 0xFF) return std::nullopt;
        out += static_cast<char>(*code);
    }
    return out;
}

bool isUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();)
        if (!nextCodePoint(text, i)) return false;
    return true;
}

namespace {

// Both forms of printable: the characters kept as UTF-8, or as Latin-1 with the others escaped.
std::string printableIn(std::string_view text, std::size_t limit, bool latin1)
{
    // Controls, and what turns or hides the text around it.
    const auto hidden = [](char32_t code) {
        return code < 0x20 || (code >= 0x7F && code < 0xA0) || code == 0x61C || (code >= 0x200B && code <= 0x200F) ||
               (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) || code == 0xFEFF;
    };
    std::string out;
    std::size_t i = 0;
    for (std::size_t shown = 0; i < text.size() && shown < limit; ++shown) {
        const std::size_t start = i;
        const std::optional<char32_t> code = nextCodePoint(text, i);
        char escape[12];
        if (!code)
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(text[i++]));
        else if (hidden(*code) || (latin1 && *code > 0xFF))
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(*code));
        if (!code || hidden(*code) || (latin1 && *code > 0xFF)) out += escape;
        else if (latin1) out += static_cast<char>(*code);
        else out += text.substr(start, i - start);
    }
    return i < text.size() ? out + "..." : out;
}

}  // namespace

std::string printable(std::string_view text, std::size_t limit) { return printableIn(text, limit, false); }

std::string printableLatin1(std::string_view text, std::size_t limit) { return printableIn(text, limit, true); }
