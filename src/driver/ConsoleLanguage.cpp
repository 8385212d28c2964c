// The language and the encoding of a console, from the locale service; apart from the table, so
// that a program that only makes messages needs no locale service.
#include "driver/Messages.h"
#include "driver/TextCodec.h"
#include "platform/locale.h"

Language consoleLanguage() { return platform::localeGerman() ? Language::german : Language::english; }

std::string consoleText(const std::string& latin1)
{
    return platform::localeConsoleUtf8() ? utf8FromLatin1(latin1) : latin1;
}
