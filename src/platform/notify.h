// Notification service: a passing message on the desktop, where the desktop has a place for them
// (the freedesktop notification service on Linux, the notification area on Windows).
#pragma once

#include <string>

namespace platform {

// Hands the message on and returns at once; it is shown, or dropped where the desktop cannot show
// it, without holding up the caller. Texts are Latin-1. An urgent one stays until it is seen, where
// the desktop allows.
void notifyShow(const std::string& title, const std::string& text, bool urgent);
// Takes the program's messages off the desktop where they stay (the notification area's icon).
// Does not wait for a message still being handed on.
void notifyStop();

}  // namespace platform
