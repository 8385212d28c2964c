// Locale service on POSIX: the locale's variables; every console here takes UTF-8.
#include "platform/locale.h"

#include <cstdlib>

namespace platform {

bool localeGerman()
{
    return localeNamesGerman(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

bool localeConsoleUtf8() { return true; }

}  // namespace platform
