// Shell service on Windows: the path started as a program first, then handed to the shell's
// default action for its file type; nothing waits for what was started.
#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

struct ShellProcess {
    HANDLE handle = nullptr;
};

namespace {

std::wstring wide(const std::string& utf8)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

}  // namespace

ShellProcess* shellStart(const std::vector<std::string>& command,
                         const std::vector<std::pair<std::string, std::string>>& variables, std::string& error)
{
    if (command.empty()) {
        error = "no program";
        return nullptr;
    }
    // Quoted only where it must be: a program that reads its command line itself, as cmd.exe reads
    // its /c, takes a quoted switch for a word.
    std::string commandLine;
    for (const std::string& argument : command) {
        const bool plain = !argument.empty() && argument.find_first_of(" \t\"") == std::string::npos;
        commandLine += (commandLine.empty() ? "" : " ") + (plain ? argument : quoted(argument));
    }
    std::wstring line = wide(commandLine);
    // This process's variables, those of the added names left out, then the added ones: a block
    // of NUL-ended entries with one more NUL at its end.
    std::wstring block;
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
            const std::wstring_view text(entry);
            // Names are compared as Windows does, whatever their case.
            const auto named = [&](const std::pair<std::string, std::string>& variable) {
                const std::wstring name = wide(variable.first) + L"=";
                const int size = static_cast<int>(name.size());
                return text.size() >= name.size() &&
                       CompareStringOrdinal(entry, size, name.c_str(), size, TRUE) == CSTR_EQUAL;
            };
            if (std::none_of(variables.begin(), variables.end(), named)) block.append(text).push_back(L'\0');
        }
        FreeEnvironmentStringsW(strings);
    }
    for (const auto& [name, value] : variables) block.append(wide(name + "=" + value)).push_back(L'\0');
    block.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // No console window flashes up for a console program such as curl.
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT,
                        block.data(), nullptr, &startup, &started)) {
        char text[512] = "";
        const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                            GetLastError(), 0, text, sizeof text, nullptr);
        error.assign(text, length);
        while (!error.empty() && (error.back() == '\n' || error.back() == '\r' || error.back() == ' ')) error.pop_back();
        return nullptr;
    }
    CloseHandle(started.hThread);
    return new ShellProcess{started.hProcess};
}

bool shellEnded(ShellProcess* process, int& exitCode)
{
    if (WaitForSingleObject(process->handle, 0) == WAIT_TIMEOUT) return false;
    DWORD code = 0;
    exitCode = GetExitCodeProcess(process->handle, &code) ? static_cast<int>(code) : -1;
    CloseHandle(process->handle);
    delete process;
    return true;
}

void shellKill(ShellProcess* process) { TerminateProcess(process->handle, 1); }

void shellRelease(ShellProcess* process)
{
    CloseHandle(process->handle);
    delete process;
}

}  // namespace platform
