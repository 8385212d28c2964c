// Shell service on Linux: xdg-open started directly, without a shell and without waiting.
#include "platform/shell.h"

#include "platform/posix/interrupted.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <string>
#include <system_error>
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

struct ShellProcess {
    pid_t pid = 0;
};

ShellProcess* shellStart(const std::vector<std::string>& command,
                         const std::vector<std::pair<std::string, std::string>>& variables, std::string& error)
{
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    // The added variables replace any of the same name.
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view name(*entry, std::strcspn(*entry, "="));
        bool replaced = false;
        for (const auto& variable : variables) replaced = replaced || name == variable.first;
        if (!replaced) entries.emplace_back(*entry);
    }
    for (const auto& [name, value] : variables) entries.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : entries) envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // The logger's own termination signals are blocked on no thread that spawns this; a fresh
    // mask and default handlers all the same.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t handled;
    sigemptyset(&handled);
    for (int signal : {SIGINT, SIGTERM, SIGPIPE}) sigaddset(&handled, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &handled);
    // A group of its own, so that ending it ends what it started too (a shell's sleep, say).
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = 0;
    const int failed =
        words.empty() ? EINVAL : posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        error = std::system_category().message(failed);
        return nullptr;
    }
    return new ShellProcess{pid};
}

bool shellEnded(ShellProcess* process, int& exitCode)
{
    int status = 0;
    const pid_t ended = retryInterrupted([&] { return waitpid(process->pid, &status, WNOHANG); });
    if (ended == 0) return false;
    exitCode = ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    delete process;
    return true;
}

void shellKill(ShellProcess* process) { kill(-process->pid, SIGKILL); }

void shellRelease(ShellProcess* process) { delete process; }

}  // namespace platform
