// STUB, to be dropped when this platform's course window lands: no course window opens, so the
// logger runs as without the setting.
#include "platform/window.h"

namespace platform {

bool uiOpenCourseWindow(const std::string&, int, int) { return false; }
void uiSetCourseTitle(const std::string&) {}
void uiDrawCourse(const std::vector<UiShape>&) {}

}  // namespace platform
