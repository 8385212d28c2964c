// Desktop service on Linux: the report is always a command-line program here.
#include "platform/desktop.h"

namespace platform {

bool desktopStarted() { return false; }

std::vector<std::string> desktopAskForLogs() { return {}; }

}  // namespace platform
