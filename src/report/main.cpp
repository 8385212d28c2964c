// avrnetio-report: reads the logger's CSV logs in one pass and writes a page of charts, a plain
// summary or a copy for German spreadsheets. Beyond the standard library only the desktop's
// services: a chooser of logs, a box of problems, the browser.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "driver/Messages.h"
#include "platform/desktop.h"
#include "platform/shell.h"
#include "report/AlarmLog.h"
#include "report/GermanCsv.h"
#include "report/LogFigures.h"
#include "report/LogReader.h"
#include "report/ReportPage.h"
#include "report/ReportText.h"

namespace {

struct Options {
    std::vector<std::string> logs;
    std::string page;
    std::string germanCsv;
    bool summary = false;
    bool desktop = false;
};

enum class Parsed { run, help, usageError };

Parsed parseOptions(int argc, char** argv, Options& options)
{
    bool onlyNames = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (onlyNames || argument.empty() || argument[0] != '-' || argument == "-") {
            options.logs.emplace_back(argument);
        } else if (argument == "--") {
            onlyNames = true;
        } else if (argument == "--help" || argument == "-h") {
            return Parsed::help;
        } else if (argument == "--summary" || argument == "--desktop") {
            (argument == "--summary" ? options.summary : options.desktop) = true;
        } else if ((argument == "-o" || argument == "--german-csv") && i + 1 < argc && argv[i + 1][0] != '\0') {
            (argument == "-o" ? options.page : options.germanCsv) = argv[++i];
        } else {
            return Parsed::usageError;
        }
    }
    return Parsed::run;
}

// Where a file not written yet would be: its absolute path with its links resolved as far as
// they exist, a link to a file not yet written included, which weakly_canonical leaves as it is.
std::filesystem::path writtenPath(const std::string& name, std::error_code& error)
{
    namespace fs = std::filesystem;
    fs::path path = fs::absolute(name, error);
    // No more links than the kernel follows.
    for (int links = 0; !error && links < 40; ++links) {
        std::error_code noLink;
        if (!fs::is_symlink(fs::symlink_status(path, noLink))) break;
        const fs::path target = fs::read_symlink(path, error);
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return error ? path : fs::weakly_canonical(path, error);
}

// By identity, not spelling: "out.html" and "./out.html", or a link, also one to a file not
// written yet.
bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    if (a == b || std::filesystem::equivalent(a, b, error)) return true;
    std::error_code errorA;
    std::error_code errorB;
    const auto pathA = writtenPath(a, errorA);
    const auto pathB = writtenPath(b, errorB);
    return !errorA && !errorB && pathA == pathB;
}

// The log or the alarm log beside one that output names, if any; empty if none.
std::string sameAsLog(const Options& options, const std::string& output)
{
    if (output.empty()) return {};
    for (const std::string& log : options.logs) {
        if (sameFile(output, log)) return log;
        std::error_code error;
        if (const std::string alarms = alarmLogPathBeside(log);
            std::filesystem::exists(alarms, error) && sameFile(output, alarms))
            return alarms;
    }
    return {};
}

// In German from the desktop, where the box that shows it is; else in the locale's language.
Language language = Language::english;

void say(std::FILE* to, const Message& text) { std::fputs(consoleText(text.in(language)).c_str(), to); }

void complain(MessageId what, const std::string& path)
{
    // The path goes in after the text's conversion, in the bytes the file system names it with,
    // which the console shows as they are.
    const std::string text = consoleText("avrnetio-report: " + message(what, {"\x01"}).in(language) + "\n");
    const std::size_t at = text.find('\x01');
    std::fputs((text.substr(0, at) + path + text.substr(at + 1)).c_str(), stderr);
}

bool writeAll(std::FILE* file, const std::string& content)
{
    return std::fwrite(content.data(), 1, content.size(), file) == content.size() && std::fflush(file) == 0;
}

bool writeFile(const std::string& path, const std::string& content)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = writeAll(file, content);
    return std::fclose(file) == 0 && written;
}

// Where a file that cannot lie beside the log goes: Documents, unless that is a log too.
std::string instead(const Options& options, const std::string& output)
{
    const std::string path = platform::desktopDocumentsPath(output);
    return path.empty() || !sameAsLog(options, path).empty() ? std::string() : path;
}

// The German copy as the page links to it: its name where both lie in one folder, else its
// whole path.
std::string copyLink(const std::string& copy, const std::string& page)
{
    namespace fs = std::filesystem;
    if (copy.empty()) return {};
    std::error_code error;
    const fs::path copyPath = fs::absolute(copy, error);
    const fs::path pagePath = fs::absolute(page, error);
    if (error) return copy;
    return (copyPath.parent_path() == pagePath.parent_path() ? copyPath.filename() : copyPath).string();
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    const Parsed parsed = parseOptions(argc, argv, options);
    const bool desktop = platform::desktopStarted(options.desktop);
    language = desktop ? Language::german : consoleLanguage();
    switch (parsed) {
        case Parsed::help:
            say(stdout, message(MessageId::reportUsage));
            return 0;
        case Parsed::usageError:
            say(stderr, message(MessageId::reportUsage));
            return 2;
        case Parsed::run:
            break;
    }
    if (options.logs.empty()) {
        if (!desktop) {
            say(stderr, message(MessageId::reportUsage));
            return 2;
        }
        options.logs = platform::desktopAskForLogs();
        if (options.logs.empty()) return 0;
    }
    // Nothing asked for but the logs: the page beside the first one, from the desktop the German
    // copy too; where the log's folder takes neither, both go to Documents.
    const bool besideLog = options.page.empty() && !options.summary && options.germanCsv.empty();
    if (besideLog) {
        std::filesystem::path first(options.logs.front());
        options.page = std::filesystem::path(first).replace_extension(".html").string();
        if (desktop) options.germanCsv = first.replace_filename(first.stem().string() + "-deutsch.csv").string();
    }
    for (const std::string& output : {options.page, options.germanCsv}) {
        if (const std::string log = sameAsLog(options, output); !log.empty()) {
            complain(MessageId::reportSameAsLog, log);
            return 2;
        }
    }
    if (!options.page.empty() && !options.germanCsv.empty() && sameFile(options.page, options.germanCsv)) {
        complain(MessageId::reportPageIsCopy, options.germanCsv);
        return 2;
    }

    const auto figures = std::make_unique<LogFigures>();
    GermanCsv copy;
    if (!options.germanCsv.empty() && !openGermanCsv(copy, options.germanCsv, firstTitles(options.logs))) {
        const std::string otherCopy = besideLog ? instead(options, options.germanCsv) : "";
        if (otherCopy.empty() || !openGermanCsv(copy, otherCopy, firstTitles(options.logs))) {
            complain(MessageId::reportCannotWrite, options.germanCsv);
            return 1;
        }
        options.germanCsv = otherCopy;
    }
    // The alarms beside the logs come first: the logs' rows tell their periods.
    const auto alarms = std::make_unique<AlarmLog>();
    std::vector<std::string> alarmLogs;
    for (const std::string& log : options.logs) {
        const std::string path = alarmLogPathBeside(log);
        const bool readBefore = std::any_of(alarmLogs.begin(), alarmLogs.end(),
                                            [&path](const std::string& read) { return sameFile(read, path); });
        if (!readBefore && readAlarmLogFile(*alarms, path)) alarmLogs.push_back(path);
    }
    if (!alarmLogs.empty()) {
        finishAlarmLog(*alarms);
        figures->alarms = alarms.get();
    }
    const auto reader = std::make_unique<LogReader>();
    reader->figures = figures.get();
    reader->copy = options.germanCsv.empty() ? nullptr : &copy;
    for (const std::string& log : options.logs) {
        if (!readLogFile(*reader, log)) {
            complain(MessageId::reportCannotRead, log);
            if (!options.germanCsv.empty()) {
                closeGermanCsv(copy);
                std::remove(options.germanCsv.c_str());
            }
            return 1;
        }
    }
    finishFigures(*figures);

    if (!options.germanCsv.empty() && !closeGermanCsv(copy)) {
        complain(MessageId::reportCannotWrite, options.germanCsv);
        return 1;
    }
    if (!options.page.empty()) {
        const auto pageAt = [&](const std::string& path) {
            return renderPage(*figures, options.logs, copyLink(options.germanCsv, path));
        };
        if (!writeFile(options.page, pageAt(options.page))) {
            // Where a log lies that its reader may not add to (C:\ on Windows), the page goes
            // to the Documents folder.
            const std::string otherPage = besideLog ? instead(options, options.page) : "";
            if (otherPage.empty() || !writeFile(otherPage, pageAt(otherPage))) {
                complain(MessageId::reportPageCannotWrite, options.page);
                return 1;
            }
            // From the desktop the browser shows where it is.
            if (!desktop) complain(MessageId::reportPageInstead, otherPage);
            options.page = otherPage;
        }
    }
    if (options.summary && !writeAll(stdout, summaryText(*figures))) {
        say(stderr, "avrnetio-report: " + message(MessageId::reportSummaryCannotWrite).in(language) + "\n");
        return 1;
    }
    if (desktop && !options.page.empty()) platform::shellOpenDocument(options.page);
    return 0;
}
