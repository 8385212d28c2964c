// Shell service: opening a document with the application the desktop associates with it.
#pragma once

#include <string>

namespace platform {

// Starts the opening and returns at once; nothing waits for it and nothing is reported.
void shellOpenDocument(const std::string& path);

}  // namespace platform
