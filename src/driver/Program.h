// The logger program from its arguments to its exit code, apart from main so that the tests can
// run it over the fake platform.
#pragma once

#include <string>
#include <vector>

// Reads the options and settings, opens the settings window where a start from the desktop
// needs it, then runs the logger; the process's exit code.
int runProgram(const std::vector<std::string>& arguments);
