// Desktop service for the report: started from a console, it works as a console program;
// started from the desktop (a double-click, a shortcut or menu entry, logs dropped on it), nobody
// reads a console, so it asks for logs with the open dialog and shows its problems in a box.
#pragma once

#include <string>
#include <vector>

namespace platform {

// True when the program was started from the desktop: where asked says so (the Linux menu
// entry's --desktop), and on Windows also where its console is its own. Its console, if the
// system made one, is let go, and from then on whatever goes to standard error is shown in a
// box titled "Problem" when the program ends.
bool desktopStarted(bool asked);

// True where nobody sees what goes to standard output and standard error: a Windows program
// started from the desktop has neither. Texts meant for them then go into a box.
bool desktopOutputUnseen();

// The standard open dialog for one or more logs; none when it was cancelled.
std::vector<std::string> desktopAskForLogs();

// Where a file that cannot be made at path goes instead: its name in the user's Documents
// folder. Empty where the platform has no such place, and on Linux for a start from a terminal,
// where a file that cannot be made where it was asked for is a problem to be told.
std::string desktopDocumentsPath(const std::string& path);

}  // namespace platform
