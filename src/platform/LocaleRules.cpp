// Which language a locale's names and a Windows language id mean, on every platform, so that
// the tests can put any of them.
#include "platform/locale.h"

#include <string_view>

namespace platform {

bool localeNamesGerman(const char* lcAll, const char* lcMessages, const char* lang)
{
    for (const char* name : {lcAll, lcMessages, lang})
        if (name != nullptr && *name != '\0') return std::string_view(name).starts_with("de");
    return false;
}

// The primary language is the id's low ten bits; LANG_GERMAN is 7 for every German-speaking country.
bool localeUiLanguageGerman(unsigned short languageId) { return (languageId & 0x3FF) == 0x07; }

}  // namespace platform
