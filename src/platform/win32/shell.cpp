// Shell service on Windows: the path started as a program first, then handed to the shell's
// default action for its file type; nothing waits for what was started.
#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>

namespace {

// One argument as the C runtime splits a command line again: quoted, its quotes and the
// backslashes before them doubled.
std::string quoted(const std::string& argument)
{
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
        } else {
            if (c == '"') out.append(backslashes + 1, '\\');
            backslashes = 0;
        }
        out += c;
    }
    out.append(backslashes, '\\');
    return out + '"';
}

bool startAsProgram(const std::string& path)
{
    // Quoted, so that blanks in the path do not split it into program and arguments.
    std::string commandLine = path.starts_with('"') ? path : '"' + path + '"';
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

void openWithShell(const std::string& path)
{
    const std::size_t lastBackslash = path.rfind('\\');
    const std::string folder = lastBackslash == std::string::npos ? "" : path.substr(0, lastBackslash + 1);
    SHELLEXECUTEINFOA execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = nullptr;  // the default action of the file type
    execute.lpFile = path.c_str();
    execute.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExA(&execute) && execute.hProcess != nullptr) CloseHandle(execute.hProcess);
}

}  // namespace

namespace platform {

void shellOpenDocument(const std::string& path)
{
    // A log file is no program, so the first stage fails for it and the shell opens it.
    if (!startAsProgram(path)) openWithShell(path);
}

void shellStartAgain(const std::vector<std::string>& arguments)
{
    char program[MAX_PATH] = {};
    const DWORD size = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (size == 0 || size == MAX_PATH) return;
    std::string commandLine = quoted(program);
    for (const std::string& argument : arguments) commandLine += " " + quoted(argument);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                       &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}

}  // namespace platform
