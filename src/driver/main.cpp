// The logger program: reads its options and settings, opens the settings window where a start
// from the desktop needs it, then runs start-up, the cycles and the shutdown.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "display/SettingsWindow.h"
#include "driver/CommandLine.h"
#include "driver/Driver.h"
#include "driver/TextCodec.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "publish/Publishing.h"
#include "settings/SettingsFile.h"

namespace {

// A text for the user: in a box where a start from the desktop has nobody reading the terminal.
void tell(const std::string& text, bool desktop, bool problem)
{
    if (!desktop) {
        std::fputs(text.c_str(), problem ? stderr : stdout);
        return;
    }
    platform::uiStart();
    platform::uiMessage(problem ? "Problem" : "Datenlogger f\xFCr AVR-NET-IO-Board", text);
}

// A usage error: the usage, and what was wrong, whose words may hold what a terminal would obey.
void tellUsageError(const std::string& problem, bool desktop)
{
    tell(usageText() + "\n" + printable(problem, 500) + "\n", desktop, true);
}

// Needs no board: the broker alone.
int forget(const Settings& settings, const std::string& mqttPassword, bool desktop)
{
    if (!forgetPublished(settings, mqttPassword)) {
        tell("Nothing was removed: the broker did not confirm the removal within 15 s.\n", desktop, true);
        return 1;
    }
    std::string text = "Removed from the broker, and so from Home Assistant, the logger " + publishName(settings) + ":\n";
    for (const std::string& topic : forgetTopics(settings)) text += "  " + topic + "\n";
    tell(text, desktop, false);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::vector<std::string_view> words(arguments.begin(), arguments.end());
    StartOptions options;
    Settings settings = defaultSettings();
    std::string problem;
    const CommandLineAction action = parseCommandLine(words, options, settings, &problem);
    // The menu entry and the Start-menu shortcut say so; a Windows program started from the
    // desktop also has nobody who reads its output.
    options.desktop = options.desktop || platform::desktopOutputUnseen();
    switch (action) {
    case CommandLineAction::help:
        tell(usageText(), options.desktop, false);
        return 0;
    case CommandLineAction::usageError:
        tellUsageError(problem, options.desktop);
        return 2;
    case CommandLineAction::run:
        break;
    }

    const std::string settingsPath = options.settingsFile.value_or(platform::fileDefaultSettingsPath());
    if (options.setup) {
        platform::uiStart();
        if (runSettingsWindow(settingsPath, SettingsPurpose::edit) != SettingsOutcome::noWindow) return 0;
        tell("The settings window needs a display; the settings file is " + settingsPath + "\n", options.desktop, true);
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

    problem = loadSettings(settings, options.settingsFile, options.service);
    std::string mqttPassword;
    if (problem.empty()) problem = checkPublishSettings(settings, mqttPassword);
    if (problem.empty() && options.forget && !isGiven(settings, &Settings::mqttUrl))
        problem = publishingBuilt() ? "--forget needs the broker: --mqtt URL, or url in the settings file's [mqtt]"
                                    : "This build has no MQTT: --forget cannot be used.";
    if (!problem.empty()) {
        tellUsageError(problem, options.desktop);
        return 2;
    }
    if (options.forget) return forget(settings, mqttPassword, options.desktop);
    const LoggerEnd end = runLogger(settings, mqttPassword, plainStart);
    // The run that failed has ended as it does; saved settings start a new one.
    if (end.settingsWanted && runSettingsWindow(settingsPath, SettingsPurpose::edit) == SettingsOutcome::saved)
        platform::shellStartAgain(arguments);
    return end.exitCode;
}
