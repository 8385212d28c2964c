// Reads the options through the settings table, and writes the usage of this build.
#include "driver/CommandLine.h"

#include <algorithm>
#include <vector>

#include "platform/files.h"
#include "publish/Publishing.h"

CommandLineAction parseCommandLine(std::span<const std::string_view> arguments, StartOptions& start,
                                   Settings& settings, std::string* problem, SettingRows rows)
{
    const auto wrong = [&](std::string what) {
        if (problem) *problem = std::move(what);
        return CommandLineAction::usageError;
    };
    std::vector<std::string_view> seen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view option = arguments[i];
        if (option == "--help" || option == "-h") return CommandLineAction::help;
        // A second one would silently win.
        if (std::ranges::find(seen, option) != seen.end()) return wrong(std::string(option) + " is given twice");
        seen.push_back(option);
        if (option == "--setup" || option == "--desktop" || option == "--forget") {
            (option == "--setup" ? start.setup : option == "--desktop" ? start.desktop : start.forget) = true;
            continue;
        }
        const auto row = std::ranges::find_if(rows, [&](const SettingRow& candidate) {
            return candidate.option && candidate.option == option;
        });
        const bool startOption = option == "--settings" || option == "--service";
        if (!startOption && row == rows.end()) return wrong("Unknown option: " + std::string(option));
        if (i + 1 >= arguments.size()) return wrong(std::string(option) + " needs a value");
        const std::string value(arguments[++i]);
        if (startOption) {
            if (value.empty()) return wrong(std::string(option) + " needs a value");
            (option == "--settings" ? start.settingsFile : start.service) = value;
            continue;
        }
        // The interval answers the prompt, whose own rules judge it; the MQTT settings are judged
        // together, in words of the options, before the start.
        const SettingCheck check = row->check;
        const bool judgedElsewhere = check == SettingCheck::interval || check == SettingCheck::mqttUrl ||
                                     check == SettingCheck::mqttName || check == SettingCheck::discoveryPrefix;
        const std::optional<Refusal> refusal = judgedElsewhere ? std::nullopt : refusalOf(*row, value);
        const std::string needed = wordsOf(*row, row->wrong.english);
        if (!setFromText(settings, *row, 0, value) || (refusal && refusal->english == needed))
            // "--port takes a port from 1 to 65535", from "a port from 1 to 65535 is needed".
            return wrong(std::string(option) + " takes " + needed.substr(0, needed.rfind(" is needed")) + ": " + value);
        if (refusal) return wrong(std::string(option) + " " + refusal->english + ": " + value);
        settings.given.set(givenBit(rows, *row, 0));
    }
    return CommandLineAction::run;
}

std::string usageText()
{
    // Only what this build takes, with this machine's own places.
    const bool mqtt = publishingBuilt();
    const bool service = !platform::fileServiceSettingsPath("NAME").empty();
    const Settings defaults = defaultSettings();
    std::string text = "Usage: avrnetio-logger [--settings FILE] [--host HOST] [--port PORT] [--log-file PATH]\n"
                       "                       [--interval TEXT] [--schedule drift|aligned]\n";
    if (mqtt)
        text += "                       [--mqtt URL [--mqtt-password-file FILE] [--mqtt-ca FILE] [--name NAME]\n"
                "                        [--ha-discovery PREFIX|off]]\n";
    text += "       avrnetio-logger --setup [--settings FILE]\n";
    if (mqtt) text += "       avrnetio-logger --forget [--settings FILE] [--mqtt URL ...] [--name NAME]\n";
    if (service) text += "       avrnetio-logger --service NAME\n";
    text += "\n"
            "Logs the inputs of an AVR-NET-IO board to a CSV file once per interval.\n"
            "\n"
            "  --settings FILE  the settings file (default " + platform::filePathText(platform::fileDefaultSettingsPath()) +
            ",\n"
            "                   read when it exists); an option given here wins over the file\n"
            "  --setup          opens the settings window, which edits that file\n"
            "  --host HOST      the board's address or host name (default " + defaults.boardHost + ")\n"
            "  --port PORT      the board's TCP port (default " + std::to_string(defaults.boardPort) + ")\n"
            "  --log-file PATH  the CSV log file (default " + platform::filePathText(defaults.logFilePath) + ")\n"
            "  --interval TEXT  answers the interval prompt, e.g. S10, M1.5, H2 or D1\n"
            "  --schedule drift|aligned  a row an interval after the last one's work (default), or\n"
            "                   on the whole multiples of the interval (on the second, on the minute)\n";
    if (mqtt)
        text += "  --mqtt URL       also publishes every row to an MQTT broker:\n"
                "                   mqtt://[USER@]HOST[:PORT] or mqtts://[USER@]HOST[:PORT] (TLS)\n"
                "  --mqtt-password-file FILE  the broker password for USER, the file's first line\n"
                "  --mqtt-ca FILE   CA certificates for mqtts (default: the system's)\n"
                "  --name NAME      the logger's name in topics (default: the host, e.g. " +
                publishNameFromHost(defaults.boardHost) + (service ? "; the service's: NAME" : "") + ")\n"
                "  --ha-discovery PREFIX|off  Home Assistant discovery prefix (default " + defaults.haDiscovery + ")\n"
                "  --forget         removes the logger of that name from the broker and Home Assistant,\n"
                "                   then ends; before a new name or discovery off, with the old settings\n";
    if (service)
        text += "  --service NAME   runs as the service instance NAME: its settings in\n"
                "                   " + platform::fileServiceSettingsPath("NAME") + ", its log\n"
                "                   " + platform::fileServiceLogPath("NAME") + ",\n"
                "                   every 10 seconds unless the settings say otherwise\n";
    text += "  --desktop        a start from the desktop, as the menu entry makes it: the settings\n"
            "                   window at the first start, this text in a box\n"
            "  --help           shows this text\n"
            "\n"
            "Exit status: 0 when the logger ends after logging (QUIT, the close box, Ctrl+C, SIGTERM),\n"
            "1 when it cannot start (no network, no board, no valid interval, no usable log file),\n"
            "2 for a usage error (a wrong option or setting).\n";
    return text;
}
