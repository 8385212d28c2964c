// Builds the MQTT payloads with nlohmann-json from the texts of the state record.
#include "publish/Payloads.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <nlohmann/json.hpp>
#include <utility>

#include "driver/LoggerState.h"
#include "logging/DateText.h"
#include "logging/LogFormat.h"
#include "publish/DeviceClasses.h"

namespace {

using json = nlohmann::ordered_json;

std::string dump(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

json analogValue(const LoggerState& state, std::size_t input)
{
    if (state.reading.analogReplyEmpty[input]) return nullptr;
    const std::string text = analogField(state, input);
    double value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) return nullptr;
    return value;
}

json digitalValue(const LoggerState& state, std::size_t input)
{
    const std::optional<bool>& closed = state.reading.digitalClosed[input];
    if (state.reading.digitalReplyEmpty[input] || !closed) return nullptr;
    return *closed ? 1 : 0;
}

// Home Assistant's device classes of a binary sensor for which "on" means open: a lock's "on" is
// unlocked.
bool onMeansOpen(std::string_view deviceClass)
{
    return deviceClass == "door" || deviceClass == "window" || deviceClass == "opening" ||
           deviceClass == "garage_door" || deviceClass == "lock";
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    return std::string(text);
}

std::string inputId(bool analog, std::size_t input)
{
    return (analog ? "analog" : "digital") + std::to_string(input + 1);
}

std::string configTopic(const std::string& name, const std::string& prefix, bool analog, std::size_t input)
{
    return prefix + (analog ? "/sensor/" : "/binary_sensor/") + name + "/" + inputId(analog, input) + "/config";
}

// "analog1" to "digital4", "board".
std::string alarmId(std::size_t alarm)
{
    return alarm == boardAlarm ? "board" : inputId(alarm < firstDigitalAlarm, alarm % firstDigitalAlarm);
}

std::string alarmConfigTopic(const std::string& name, const std::string& prefix, std::size_t alarm)
{
    return prefix + "/binary_sensor/" + name + "/alarm_" + alarmId(alarm) + "/config";
}

// Three intervals, at least 30 s: a logger that stops publishing while its connection stays up
// then shows as unavailable.
long long expireAfterSeconds(const LoggerState& state)
{
    const auto seconds = static_cast<long long>(std::ceil(3 * state.intervalMs / 1000));
    return std::max(seconds, 30LL);
}

}  // namespace

std::string availabilityTopic(const std::string& name) { return "avrnetio/" + name + "/availability"; }

std::string stateTopic(const std::string& name) { return "avrnetio/" + name + "/state"; }

std::string rowsTopic(const std::string& name) { return "avrnetio/" + name + "/rows"; }

std::string ownerTopic(const std::string& name) { return "avrnetio/" + name + "/owner"; }

std::string probeTopic(const std::string& name) { return "avrnetio/" + name + "/probe"; }

std::string statePayload(const LoggerState& state, int utcOffsetMinutes)
{
    json analog = json::array();
    json digital = json::array();
    for (std::size_t i = 0; i < 4; ++i) {
        analog.push_back(analogValue(state, i));
        digital.push_back(digitalValue(state, i));
    }
    json payload = json::object();
    payload["time"] = isoTime(secondOf(state.reading.momentMs), utcOffsetMinutes);
    payload["board"] = boardAnswered(state.reading) ? "online" : "away";
    payload["analog"] = std::move(analog);
    payload["digital"] = std::move(digital);
    // Only where alarms are watched: without them the payload stays as it was.
    if (anyAlarmWatched(state.settings)) {
        json alarms = json::object();
        for (std::size_t alarm = 0; alarm < alarmCount; ++alarm)
            if (alarmWatched(state.settings, alarm)) alarms[alarmId(alarm)] = state.alarms.watch[alarm].on ? "ON" : "OFF";
        payload["alarm"] = std::move(alarms);
    }
    return dump(payload);
}

std::vector<std::string> discoveryTopics(const std::string& name, const std::string& prefix)
{
    std::vector<std::string> topics;
    for (const bool analog : {true, false})
        for (std::size_t i = 0; i < 4; ++i) topics.push_back(configTopic(name, prefix, analog, i));
    for (std::size_t alarm = 0; alarm < alarmCount; ++alarm) topics.push_back(alarmConfigTopic(name, prefix, alarm));
    return topics;
}

std::vector<TopicPayload> discoveryConfigs(const LoggerState& state, const std::string& name,
                                           const std::string& prefix)
{
    const json device = {{"identifiers", json::array({"avrnetio_" + name})},
                         {"name", "AVR-NET-IO " + name},
                         {"model", "AVR-NET-IO"},
                         {"sw_version", utf8FromLatin1(trimmed(state.boardVersion))}};
    const json origin = {{"name", "avrnetio-logger"}, {"sw_version", AVRNETIO_VERSION}};
    // Unavailable while the logger is gone or the board away, so an absent board never reads 0 V.
    const json availability = json::array(
        {{{"topic", availabilityTopic(name)}},
         {{"topic", stateTopic(name)},
          {"value_template", "{{ value_json.board }}"},
          {"payload_available", "online"},
          {"payload_not_available", "away"}}});

    std::vector<TopicPayload> configs;
    for (int kind = 0; kind < 2; ++kind) {
        const bool analog = kind == 0;
        for (std::size_t i = 0; i < 4; ++i) {
            json config = {
                {"name", utf8FromLatin1(analog ? state.settings.analog[i].label : state.settings.digital[i].label)},
                {"unique_id", "avrnetio_" + name + "_" + inputId(analog, i)},
                {"state_topic", stateTopic(name)},
                {"value_template",
                 "{{ value_json." + std::string(analog ? "analog" : "digital") + "[" + std::to_string(i) + "] }}"},
                {"availability", availability},
                {"availability_mode", "all"},
                {"expire_after", expireAfterSeconds(state)},
                {"device", device},
                {"origin", origin}};
            const std::string& deviceClass =
                analog ? state.settings.analog[i].haDeviceClass : state.settings.digital[i].haDeviceClass;
            if (!deviceClass.empty()) config["device_class"] = deviceClass;
            if (analog) {
                // Home Assistant takes a sensor of no unit only without the key.
                if (std::string unit = haUnitOf(state.settings.analog[i]); !unit.empty())
                    config["unit_of_measurement"] = std::move(unit);
                config["state_class"] = state.settings.analog[i].haStateClass;
                config["suggested_display_precision"] = state.settings.analog[i].decimals;
            } else {
                const bool invert = onMeansOpen(deviceClass);
                config["payload_on"] = invert ? "0" : "1";
                config["payload_off"] = invert ? "1" : "0";
            }
            configs.push_back({configTopic(name, prefix, analog, i), dump(config)});
        }
    }
    // A problem sensor per watched alarm; an alarm no longer watched has its config removed, so
    // that none is left behind in Home Assistant.
    for (std::size_t alarm = 0; alarm < alarmCount; ++alarm) {
        if (!alarmWatched(state.settings, alarm)) {
            configs.push_back({alarmConfigTopic(name, prefix, alarm), ""});
            continue;
        }
        const std::string label = alarm == boardAlarm ? std::string(boardAlarmName)
                                  : alarm < firstDigitalAlarm ? state.settings.analog[alarm].label
                                                              : state.settings.digital[alarm - firstDigitalAlarm].label;
        json config = {{"name", utf8FromLatin1(label) + " Alarm"},
                       {"unique_id", "avrnetio_" + name + "_alarm_" + alarmId(alarm)},
                       {"state_topic", stateTopic(name)},
                       {"value_template", "{{ value_json.alarm." + alarmId(alarm) + " }}"},
                       {"device_class", "problem"},
                       // A silent board's alarm stays available while the board is away.
                       {"availability", alarm == boardAlarm ? json::array({availability[0]}) : availability},
                       {"availability_mode", "all"},
                       {"expire_after", expireAfterSeconds(state)},
                       {"device", device},
                       {"origin", origin}};
        configs.push_back({alarmConfigTopic(name, prefix, alarm), dump(config)});
    }
    return configs;
}
