// Desktop service on Windows: a console program started from Explorer gets a console of its own,
// which nobody else shares and which vanishes with the program; one started from a console
// shares that console with the shell.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN

#include "platform/desktop.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

namespace {

struct Win32Desktop {
    char problemsPath[MAX_PATH] = "";  // standard error's file while started from the desktop
};

Win32Desktop desktop;

// Shows what went to standard error while the program ran, if anything.
void showProblems()
{
    std::fflush(stderr);
    std::string text;
    if (std::FILE* problems = std::fopen(desktop.problemsPath, "rb")) {
        char buffer[4096];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, problems)) > 0) text.append(buffer, count);
        std::fclose(problems);
    }
    std::fclose(stderr);
    DeleteFileA(desktop.problemsPath);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    // No owner and no icon, as the logger's boxes; task-modal, so it cannot be lost behind.
    if (!text.empty()) MessageBoxA(nullptr, text.c_str(), "Problem", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

}  // namespace

namespace platform {

bool desktopStarted(bool asked)
{
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) != 1) return asked;
    FreeConsole();
    char folder[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length > 0 && length < MAX_PATH && GetTempFileNameA(folder, "avr", 0, desktop.problemsPath) != 0 &&
        std::freopen(desktop.problemsPath, "w", stderr) != nullptr)
        std::atexit(showProblems);
    return true;
}

bool desktopOutputUnseen()
{
    // A GUI program gets standard handles only where its starter gave it some (a console's
    // redirection, a test's file).
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    return error == nullptr || error == INVALID_HANDLE_VALUE || GetFileType(error) == FILE_TYPE_UNKNOWN;
}

std::vector<std::string> desktopAskForLogs()
{
    // Several names come back as the folder and then each name, each ended by a NUL.
    std::string names(32 * 1024, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFilter = "Logdateien (*.csv)\0*.csv;*.CSV\0Alle Dateien\0*.*\0";
    dialog.lpstrFile = names.data();
    dialog.nMaxFile = static_cast<DWORD>(names.size());
    dialog.lpstrTitle = "Logdateien f\xfcr den Bericht";
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&dialog)) return {};
    std::vector<std::string> parts;
    for (const char* part = names.c_str(); *part != '\0'; part += parts.back().size() + 1) parts.emplace_back(part);
    if (parts.size() == 1) return parts;
    std::vector<std::string> logs;
    const std::string folder = parts.front().ends_with('\\') ? parts.front() : parts.front() + '\\';
    for (std::size_t i = 1; i < parts.size(); ++i) logs.push_back(folder + parts[i]);
    return logs;
}

std::string desktopDocumentsPath(const std::string& path)
{
    char folder[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return {};
    const std::size_t separator = path.find_last_of("\\/:");
    return std::string(folder) + '\\' + path.substr(separator == std::string::npos ? 0 : separator + 1);
}

}  // namespace platform
