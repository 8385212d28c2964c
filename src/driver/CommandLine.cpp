// Reads the options through the settings table, and writes the usage of this build.
#include "driver/CommandLine.h"

#include <algorithm>
#include <vector>

#include "driver/TextCodec.h"
#include "platform/files.h"
#include "publish/Publishing.h"

CommandLineAction parseCommandLine(std::span<const std::string_view> arguments, StartOptions& start,
                                   Settings& settings, Message* problem, SettingRows rows)
{
    const auto wrong = [&](MessageId id, std::initializer_list<Message> words) {
        if (problem) *problem = message(id, words);
        return CommandLineAction::usageError;
    };
    std::vector<std::string_view> seen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view option = arguments[i];
        // What the user typed, as a message may hold it.
        const Message typed = printableLatin1(option, 200);
        if (option == "--help" || option == "-h") return CommandLineAction::help;
        // A second one would silently win.
        if (std::ranges::find(seen, option) != seen.end()) return wrong(MessageId::optionTwice, {typed});
        seen.push_back(option);
        if (option == "--setup" || option == "--desktop" || option == "--forget") {
            (option == "--setup" ? start.setup : option == "--desktop" ? start.desktop : start.forget) = true;
            continue;
        }
        const auto row = std::ranges::find_if(rows, [&](const SettingRow& candidate) {
            return candidate.option && candidate.option == option;
        });
        const bool startOption = option == "--settings" || option == "--service";
        if (!startOption && row == rows.end()) return wrong(MessageId::optionUnknown, {typed});
        const bool flag = !startOption && row->kind == SettingKind::flag;
        if (!flag && i + 1 >= arguments.size()) return wrong(MessageId::optionNeedsValue, {typed});
        const std::string value(flag ? "true" : arguments[++i]);
        if (startOption) {
            if (value.empty()) return wrong(MessageId::optionNeedsValue, {typed});
            (option == "--settings" ? start.settingsFile : start.service) = value;
            continue;
        }
        // The interval answers the prompt, whose own rules judge it; the MQTT settings are judged
        // together, in words of the options, before the start.
        const SettingCheck check = row->check;
        const bool judgedElsewhere = check == SettingCheck::interval || check == SettingCheck::mqttUrl ||
                                     check == SettingCheck::mqttName || check == SettingCheck::discoveryPrefix;
        const std::optional<Message> refusal = judgedElsewhere ? std::nullopt : refusalOf(*row, value);
        const std::string needed = wordsOf(*row, row->wrong.english);
        const Message shownValue = printableLatin1(value, 200);
        if (!setFromText(settings, *row, 0, value) || (refusal && refusal->english == needed))
            // "--port takes a port from 1 to 65535", from "a port from 1 to 65535 is needed".
            return wrong(MessageId::optionTakes,
                         {typed, {needed.substr(0, needed.rfind(" is needed")), wordsOf(*row, row->wrong.german)},
                          shownValue});
        if (refusal) return wrong(MessageId::optionRefused, {typed, *refusal, shownValue});
        settings.given.set(givenBit(rows, *row, 0));
    }
    return CommandLineAction::run;
}

Message usageText()
{
    // Only what this build takes, with this machine's own places.
    const bool service = !platform::fileServiceSettingsPath("NAME").empty();
    const Settings defaults = defaultSettings();
    const auto part = [](bool wanted, MessageId id, std::initializer_list<Message> words = {}) {
        return wanted ? message(id, words) : Message();
    };
    const std::vector<Message> parts = {
        message(MessageId::usageSynopsis),
        message(MessageId::usageSynopsisMqtt),
        message(MessageId::usageSynopsisSetup),
        message(MessageId::usageSynopsisForget),
        part(service, MessageId::usageSynopsisService),
        message(MessageId::usageOptions, {platform::filePathText(platform::fileDefaultSettingsPath()), defaults.boardHost,
                                          std::to_string(defaults.boardPort), platform::filePathText(defaults.logFilePath)}),
        message(MessageId::usageOptionsMqtt,
                {publishNameFromHost(defaults.boardHost), part(service, MessageId::usageServiceName), defaults.haDiscovery}),
        part(service, MessageId::usageOptionsService,
             {platform::fileServiceSettingsPath("NAME"), platform::fileServiceLogPath("NAME")}),
        message(MessageId::usageEnd),
    };
    Message text;
    for (const Message& piece : parts) {
        text.english += piece.english;
        text.german += piece.german;
    }
    return text;
}
