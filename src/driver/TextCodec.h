// Latin-1, the program's own texts, and UTF-8, the texts of the settings file, of MQTT and of
// the report's page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

std::string utf8FromLatin1(std::string_view text);

// None when the text is no valid UTF-8 or holds a character beyond U+00FF.
std::optional<std::string> latin1FromUtf8(std::string_view text);

// The code point of the UTF-8 sequence at text[at], moving at past it; none for an invalid one:
// an overlong form, a surrogate, beyond U+10FFFF, or cut short.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& at);

// The UTF-8 text as a terminal may show it: control and direction characters and bytes of no
// character as escapes (\x1B, \u202E), and cut after limit characters.
std::string printable(std::string_view text, std::size_t limit = 80);
// The same in Latin-1, for a message of the program's own: a character beyond it as an escape too.
std::string printableLatin1(std::string_view text, std::size_t limit = 80);

// Valid UTF-8: no overlong form, no surrogate, nothing beyond U+10FFFF, no sequence cut short.
bool isUtf8(std::string_view text);
