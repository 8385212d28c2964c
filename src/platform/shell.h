// Shell service: opening a document with the application the desktop associates with it.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts the opening and returns at once; nothing waits for it and nothing is reported.
void shellOpenDocument(const std::string& path);

// Starts this program anew with the given arguments (not its name) and returns at once.
void shellStartAgain(const std::vector<std::string>& arguments);

}  // namespace platform
