// Shell service: opening a document with the application the desktop associates with it, and
// starting a program that the logger then looks after without waiting for it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

// Starts the opening and returns at once; nothing waits for it and nothing is reported.
void shellOpenDocument(const std::string& path);

// Starts this program anew with the given arguments (not its name) and returns at once.
void shellStartAgain(const std::vector<std::string>& arguments);

struct ShellProcess;

// Starts command[0] (looked up on the PATH where it names no folder) with the rest as its
// arguments, never through a shell, its environment this process's with the variables added;
// its input empty, its output the logger's. Null, with why in error, when it cannot start.
ShellProcess* shellStart(const std::vector<std::string>& command,
                         const std::vector<std::pair<std::string, std::string>>& variables, std::string& error);
// Without waiting: whether it ended, and then its exit code (-1: ended by a signal). An ended
// one is freed by this call.
bool shellEnded(ShellProcess* process, int& exitCode);
// Ends it now, with what it started where the platform keeps them together (a process group on
// Linux); a later shellEnded sees the end.
void shellKill(ShellProcess* process);
// Frees the record of one that is left to run on, at the logger's end.
void shellRelease(ShellProcess* process);

}  // namespace platform
