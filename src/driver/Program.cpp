// The logger program: reads its options and settings, opens the settings window where a start
// from the desktop needs it, then runs start-up, the cycles and the shutdown.
#include "driver/Program.h"

#include <cstdio>
#include <string_view>

#include "display/SettingsWindow.h"
#include "driver/CommandLine.h"
#include "driver/Driver.h"
#include "driver/Messages.h"
#include "driver/TextCodec.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "publish/Publishing.h"
#include "settings/SettingsFile.h"

namespace {

// A text for the user: in a box, in German as the window is, where a start from the desktop has
// nobody reading the terminal; else in the language of the user's locale.
void tell(const Message& text, bool desktop, bool problem)
{
    if (!desktop) {
        std::fputs(consoleText(text.in(consoleLanguage())).c_str(), problem ? stderr : stdout);
        return;
    }
    platform::uiStart();
    platform::uiMessage(problem ? "Problem" : "Datenlogger f\xFCr AVR-NET-IO-Board", text.german);
}

// A usage error: the usage, and what was wrong.
void tellUsageError(const Message& problem, bool desktop)
{
    const Message usage = usageText();
    tell({usage.english + "\n" + problem.english + "\n", usage.german + "\n" + problem.german + "\n"}, desktop, true);
}

// A settings problem on a start from the desktop: one box with the file, the line and what is
// wrong, which offers the settings window. True when the user takes the offer.
bool offerSettings(const SettingsProblem& problem)
{
    std::string text;
    if (problem.file.empty())
        text = "Die Einstellungen sind so nicht m\xF6glich:\n" + problem.german;
    else if (problem.line == 0)
        text = "Die Einstellungsdatei " + platform::filePathText(problem.file) + " " + problem.german;
    else
        text = "Die Einstellungsdatei " + platform::filePathText(problem.file) + " hat in Zeile " +
               std::to_string(problem.line) + " einen Fehler:\n" + (problem.key.empty() ? "" : printableLatin1(problem.key) + ": ") +
               problem.german;
    platform::uiStart();
    return platform::uiAskYesNo("Einstellungen \xF6" "ffnen?",
                                text + "\n\nM\xF6" "chten Sie die Einstellungen \xF6" "ffnen, um das zu \xE4ndern?");
}

// Needs no board: the broker alone.
int forget(const Settings& settings, const std::string& mqttPassword, bool desktop)
{
    const bool passwordStored = storedPassword(settings).has_value();
    if (!forgetPublished(settings, mqttPassword)) {
        tell(message(MessageId::forgetUnconfirmed), desktop, true);
        return 1;
    }
    Message text = message(MessageId::forgotten, {publishName(settings)});
    for (const std::string& topic : forgetTopics(settings)) {
        text.english += "  " + topic + "\n";
        text.german += "  " + topic + "\n";
    }
    if (passwordStored) {
        const Message password = message(MessageId::forgottenPassword);
        text.english += password.english;
        text.german += password.german;
    }
    tell(text, desktop, false);
    return 0;
}

}  // namespace

int runProgram(const std::vector<std::string>& arguments)
{
    const std::vector<std::string_view> words(arguments.begin(), arguments.end());
    StartOptions options;
    Settings settings = defaultSettings();
    Message usageProblem;
    const CommandLineAction action = parseCommandLine(words, options, settings, &usageProblem);
    // The menu entry and the Start-menu shortcut say so; a Windows program started from the
    // desktop also has nobody who reads its output.
    options.desktop = options.desktop || platform::desktopOutputUnseen();
    switch (action) {
    case CommandLineAction::help:
        tell(usageText(), options.desktop, false);
        return 0;
    case CommandLineAction::usageError:
        tellUsageError(usageProblem, options.desktop);
        return 2;
    case CommandLineAction::run:
        break;
    }

    const std::string settingsPath = options.settingsFile.value_or(platform::fileDefaultSettingsPath());
    if (options.setup) {
        platform::uiStart();
        if (runSettingsWindow(settingsPath, SettingsPurpose::edit) != SettingsOutcome::noWindow) return 0;
        tell(message(MessageId::settingsNeedDisplay, {platform::filePathText(settingsPath)}), options.desktop, true);
        return 1;
    }
    // Only a plain start from the desktop, with no options but where the settings are.
    bool plainStart = options.desktop;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--settings") ++i;
        else if (arguments[i] != "--desktop") plainStart = false;
    }
    if (plainStart && !settingsPath.empty() && platform::fileKind(settingsPath) == platform::FileKind::missing) {
        platform::uiStart();
        if (runSettingsWindow(settingsPath, SettingsPurpose::firstStart) == SettingsOutcome::cancelled) return 0;
    }

    SettingsProblem problem = loadSettings(settings, options.settingsFile, options.service);
    std::string mqttPassword;
    if (problem.what.empty())
        if (const Message publishing = checkPublishSettings(settings, mqttPassword); !publishing.empty()) {
            problem.what = publishing.english;
            problem.german = publishing.german;
        }
    if (problem.what.empty() && options.forget && !isGiven(settings, &Settings::mqttUrl)) {
        const Message needed = message(MessageId::forgetNeedsBroker);
        problem.what = needed.english;
        problem.german = needed.german;
    }
    if (!problem.what.empty()) {
        if (!options.desktop) {
            tellUsageError({problemText(problem), problemText(problem, Language::german)}, false);
            return 2;
        }
        // The settings window shows the file's problem beside its field; saved, the logger starts again.
        if (offerSettings(problem) && runSettingsWindow(settingsPath, SettingsPurpose::edit) == SettingsOutcome::saved)
            platform::shellStartAgain(arguments);
        return 2;
    }
    if (options.forget) return forget(settings, mqttPassword, options.desktop);
    const LoggerEnd end = runLogger(settings, mqttPassword, plainStart);
    // The run that failed has ended as it does; saved settings start a new one.
    if (end.settingsWanted && runSettingsWindow(settingsPath, SettingsPurpose::edit) == SettingsOutcome::saved)
        platform::shellStartAgain(arguments);
    return end.exitCode;
}
