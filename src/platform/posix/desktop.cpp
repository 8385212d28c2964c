// Desktop service on Linux: the report is always a command-line program here.
#include "platform/desktop.h"

namespace platform {

bool desktopStarted() { return false; }

// A menu entry's output goes to the session's log, which the logger's --desktop tells apart.
bool desktopOutputUnseen() { return false; }

std::vector<std::string> desktopAskForLogs() { return {}; }

// A file that cannot be made where it was asked for is a problem to be told here.
std::string desktopDocumentsPath(const std::string&) { return {}; }

}  // namespace platform
