// Locale service: whether the user reads German, for the texts on a console, in the journal and
// of the report; and the console's encoding.
#pragma once

namespace platform {

// True where the user's language is German: on POSIX by LC_ALL, LC_MESSAGES or LANG, the first
// of them set and not empty, as the C library takes them; on Windows by the user's UI language.
bool localeGerman();

// The two rules apart from where their inputs come from; a null pointer is a variable not set.
bool localeNamesGerman(const char* lcAll, const char* lcMessages, const char* lang);
bool localeUiLanguageGerman(unsigned short languageId);

// True where the console takes UTF-8 (POSIX); else it takes the program's Latin-1 bytes as
// they are, as every other text on Windows.
bool localeConsoleUtf8();

}  // namespace platform
