// Locale service on Windows: the user's UI language; the console gets the program's own bytes.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN

#include "platform/locale.h"

#include <windows.h>

namespace platform {

bool localeGerman() { return localeUiLanguageGerman(GetUserDefaultUILanguage()); }

bool localeConsoleUtf8() { return false; }

}  // namespace platform
