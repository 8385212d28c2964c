// Builds the MQTT payloads with nlohmann-json from the texts of the state record.
#include "publish/Payloads.h"

#include <charconv>
#include <cstddef>
#include <nlohmann/json.hpp>

#include "driver/LoggerState.h"

namespace {

using json = nlohmann::ordered_json;

std::string dump(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

// "dd.mm.yyyy" and "hh:mm:ss" with the offset, as ISO 8601: 2026-12-09T14:03:10+01:00.
std::string isoTime(const std::string& date, const std::string& time, int utcOffsetMinutes)
{
    if (date.size() != 10 || time.size() != 8) return date + " " + time;
    std::string text = date.substr(6, 4) + "-" + date.substr(3, 2) + "-" + date.substr(0, 2) + "T" + time;
    const int magnitude = utcOffsetMinutes < 0 ? -utcOffsetMinutes : utcOffsetMinutes;
    auto two = [](int value) { return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)}; };
    text += utcOffsetMinutes < 0 ? '-' : '+';
    text += two(magnitude / 60 % 100) + ":" + two(magnitude % 60);
    return text;
}

json analogValue(const std::string& text, bool replyEmpty)
{
    double value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (replyEmpty || error != std::errc{} || stop != end) return nullptr;
    return value;
}

json digitalValue(const std::string& code, bool replyEmpty)
{
    if (replyEmpty || (code != "0" && code != "1")) return nullptr;
    return code == "1" ? 1 : 0;
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    return std::string(text);
}

}  // namespace

std::string utf8FromLatin1(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

std::string publishNameFromHost(std::string_view host)
{
    std::string name(host);
    for (char& c : name) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '_' || c == '-';
        if (!kept) c = '-';
    }
    return name;
}

std::string availabilityTopic(const std::string& name) { return "avrnetio/" + name + "/availability"; }

std::string stateTopic(const std::string& name) { return "avrnetio/" + name + "/state"; }

std::string statePayload(const LoggerState& state, int utcOffsetMinutes)
{
    json analog = json::array();
    json digital = json::array();
    bool away = true;
    for (std::size_t i = 0; i < 4; ++i) {
        analog.push_back(analogValue(state.analogText[i], state.analogReplyEmpty[i]));
        digital.push_back(digitalValue(state.digitalCode[i], state.digitalReplyEmpty[i]));
        away = away && state.analogReplyEmpty[i] && state.digitalReplyEmpty[i];
    }
    json payload = json::object();
    payload["time"] = isoTime(state.readingDate, state.readingTime, utcOffsetMinutes);
    payload["board"] = away ? "away" : "online";
    payload["analog"] = std::move(analog);
    payload["digital"] = std::move(digital);
    return dump(payload);
}

std::vector<TopicPayload> discoveryConfigs(const LoggerState& state, const std::string& name,
                                           const std::string& prefix)
{
    const json device = {{"identifiers", json::array({"avrnetio_" + name})},
                         {"model", "AVR-NET-IO"},
                         {"sw_version", utf8FromLatin1(trimmed(state.boardVersion))}};
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
            const std::string input = (analog ? "analog" : "digital") + std::to_string(i + 1);
            json config = {
                {"name", utf8FromLatin1(analog ? state.analogLabel[i] : state.digitalLabel[i])},
                {"unique_id", name + "_" + input},
                {"state_topic", stateTopic(name)},
                {"value_template",
                 "{{ value_json." + std::string(analog ? "analog" : "digital") + "[" + std::to_string(i) + "] }}"},
                {"availability", availability},
                {"availability_mode", "all"},
                {"device", device}};
            if (analog) {
                config["unit_of_measurement"] = "V";
                config["device_class"] = "voltage";
                config["state_class"] = "measurement";
            } else {
                config["payload_on"] = "1";
                config["payload_off"] = "0";
            }
            configs.push_back({prefix + (analog ? "/sensor/" : "/binary_sensor/") + name + "/" + input + "/config",
                               dump(config)});
        }
    }
    return configs;
}
