// Stands in for the settings window's controls until this toolkit's window.cpp has them: no
// dialog window opens, so the settings window reports that there is none. Delete it then.
#include "platform/window.h"

namespace platform {

bool uiOpenDialogWindow(const std::string&, int, int) { return false; }
void uiCreateLabel(int, int, int, int, int, const std::string&) {}
void uiCreateEdit(int, int, int, int, int, const std::string&) {}
void uiCreateCheck(int, int, int, int, int, const std::string&, bool) {}
void uiCreateChoice(int, int, int, int, int, const std::vector<std::string>&, int) {}
void uiSetDefaultButton(int) {}
std::string uiGetText(int) { return {}; }
bool uiGetCheck(int) { return false; }
int uiGetChoice(int) { return 0; }
void uiSetEnabled(int, bool) {}
void uiSetFocus(int) {}
std::string uiAskSavePath(const std::string&, const std::string&) { return {}; }

}  // namespace platform
