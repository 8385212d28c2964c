// Shell service on Linux: xdg-open started directly, without a shell and without waiting.
#include "platform/shell.h"

#include <spawn.h>

#include <string>
#include <vector>

extern char** environ;

namespace platform {

void shellOpenDocument(const std::string& path)
{
    // Running the data file itself as a program is unsafe, so only the desktop's opener is asked.
    std::string program = "xdg-open";
    // A path that starts with a dash would be read as an option.
    std::string argument = path.starts_with('-') ? "./" + path : path;
    char* arguments[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    posix_spawnp(&child, "xdg-open", nullptr, nullptr, arguments, environ);
}

void shellStartAgain(const std::vector<std::string>& arguments)
{
    std::vector<std::string> words = {"avrnetio-logger"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    // The program that runs, wherever it lies, not a namesake on the PATH.
    posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv.data(), environ);
}

}  // namespace platform
