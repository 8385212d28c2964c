// Desktop service on Linux: nothing tells a start from the menu apart but the entry's own
// --desktop. Then the logs come from FLTK's chooser, standard error goes into a box at the end,
// and a file that cannot lie beside the log goes to the XDG documents folder. The logger's
// output is never unseen here: a menu entry's goes to the session's log.
#include "platform/desktop.h"

#include "platform/window.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <FL/Fl_Native_File_Chooser.H>
#include <FL/fl_utf8.h>

namespace {

struct LinuxDesktop {
    bool started = false;
    std::FILE* problems = nullptr;  // standard error while started from the desktop
    int terminal = -1;              // standard error as it came, for what goes wrong at the end
};

LinuxDesktop desktop;

bool isFolder(const std::string& path)
{
    struct stat status {};
    return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// XDG_DOCUMENTS_DIR of user-dirs.dirs, "$HOME/Dokumente" or a whole path; the home folder where
// it names none that exists, as xdg-user-dir has it.
std::string documentsFolder()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/') return {};
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string dirs =
        (config != nullptr && *config == '/' ? std::string(config) : std::string(home) + "/.config") + "/user-dirs.dirs";
    std::string folder;
    if (std::FILE* file = std::fopen(dirs.c_str(), "r")) {
        constexpr std::string_view key = "XDG_DOCUMENTS_DIR=\"";
        char line[4096];
        while (std::fgets(line, sizeof line, file) != nullptr) {
            std::string_view text = line;
            if (!text.starts_with(key)) continue;
            text.remove_prefix(key.size());
            text = text.substr(0, text.find('"'));
            if (text.starts_with("$HOME"))
                folder = home + std::string(text.substr(5));
            else if (text.starts_with('/'))
                folder = text;
        }
        std::fclose(file);
    }
    return isFolder(folder) ? folder : home;
}

// Shows what went to standard error while the program ran, if anything.
void showProblems()
{
    std::fflush(stderr);
    std::string text;
    std::rewind(desktop.problems);
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, desktop.problems)) > 0) text.append(buffer, count);
    dup2(desktop.terminal, STDERR_FILENO);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.empty()) return;
    // The box takes Latin-1, the file system's names are UTF-8.
    const auto length = static_cast<unsigned>(text.size());
    std::string latin1(fl_utf8toa(text.c_str(), length, nullptr, 0) + 1, '\0');
    latin1.resize(fl_utf8toa(text.c_str(), length, latin1.data(), static_cast<unsigned>(latin1.size())));
    if (platform::uiStart())
        platform::uiMessage("Problem", latin1);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace

namespace platform {

bool desktopStarted(bool asked)
{
    if (!asked || desktop.started) return desktop.started;
    desktop.started = true;
    desktop.problems = std::tmpfile();
    desktop.terminal = dup(STDERR_FILENO);
    if (desktop.problems != nullptr && desktop.terminal >= 0 &&
        dup2(fileno(desktop.problems), STDERR_FILENO) == STDERR_FILENO)
        std::atexit(showProblems);
    return true;
}

bool desktopOutputUnseen() { return false; }

std::vector<std::string> desktopAskForLogs()
{
    if (!uiStart()) return {};
    // GTK's chooser, and FLTK's search for it when the chooser is made, speak on standard error
    // of their own affairs (a GTK that is missing or does not fit, a list of recent files that
    // cannot be written): no problem of the report's, so not for the box.
    const int problems = desktop.terminal >= 0 ? dup(STDERR_FILENO) : -1;
    if (problems >= 0) dup2(desktop.terminal, STDERR_FILENO);
    std::vector<std::string> logs;
    {
        Fl_Native_File_Chooser chooser(Fl_Native_File_Chooser::BROWSE_MULTI_FILE);
        chooser.title("Logdateien f\xc3\xbcr den Bericht");
        chooser.filter("Logdateien\t*.{csv,CSV}\nAlle Dateien\t*");
        if (const char* home = std::getenv("HOME")) chooser.directory(home);
        // The names as the file system has them.
        if (chooser.show() == 0)
            for (int i = 0; i < chooser.count(); ++i)
                if (const char* name = chooser.filename(i); name != nullptr && *name != '\0') logs.emplace_back(name);
    }
    if (problems >= 0) {
        dup2(problems, STDERR_FILENO);
        close(problems);
    }
    return logs;
}

std::string desktopDocumentsPath(const std::string& path)
{
    if (!desktop.started) return {};
    const std::string folder = documentsFolder();
    if (folder.empty()) return {};
    return (folder.ends_with('/') ? folder : folder + '/') + path.substr(path.find_last_of('/') + 1);
}

}  // namespace platform
