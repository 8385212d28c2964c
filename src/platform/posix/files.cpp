// File service on POSIX.
#include "platform/files.h"

#include <cstdlib>

namespace platform {

std::string fileDefaultLogPath()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return "AVR-NET-IO.CSV";
    std::string path = home;
    if (path.back() != '/') path += '/';
    return path + "AVR-NET-IO.CSV";
}

}  // namespace platform
