// Publishing every logged row to an MQTT broker through the platform's MQTT client.
#include "publish/Publishing.h"

#include <charconv>
#include <cstdlib>
#include <fstream>

#include "driver/CommandLine.h"
#include "driver/LoggerState.h"
#include "platform/clock.h"
#include "platform/mqtt.h"
#include "publish/Payloads.h"

namespace {

constexpr int stopTimeoutMs = 2000;

// The first line of the file, without its line end; nullopt when the file cannot be read.
std::optional<std::string> firstLine(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string line;
    std::getline(file, line);
    if (file.bad()) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::optional<MqttUrl> parseMqttUrl(std::string_view url)
{
    MqttUrl parsed;
    if (url.starts_with("mqtt://")) {
        url.remove_prefix(7);
        parsed.port = 1883;
    } else if (url.starts_with("mqtts://")) {
        url.remove_prefix(8);
        parsed.tls = true;
        parsed.port = 8883;
    } else {
        return std::nullopt;
    }
    if (const auto at = url.rfind('@'); at != std::string_view::npos) {
        parsed.user = std::string(url.substr(0, at));
        if (parsed.user.empty()) return std::nullopt;
        url.remove_prefix(at + 1);
    }
    std::string_view port;
    if (url.starts_with('[')) {  // an IPv6 address
        const auto close = url.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        parsed.host = std::string(url.substr(1, close - 1));
        url.remove_prefix(close + 1);
        if (!url.empty() && !url.starts_with(':')) return std::nullopt;
        if (!url.empty()) port = url.substr(1);
    } else {
        const auto colon = url.find(':');
        parsed.host = std::string(url.substr(0, colon));
        if (colon != std::string_view::npos) {
            port = url.substr(colon + 1);
            if (port.empty()) return std::nullopt;
        }
    }
    if (parsed.host.empty() || parsed.host.find_first_of("/?#@ ") != std::string::npos) return std::nullopt;
    if (!port.empty()) {
        int value = 0;
        const char* end = port.data() + port.size();
        auto [stop, error] = std::from_chars(port.data(), end, value);
        if (error != std::errc{} || stop != end || value < 1 || value > 65535) return std::nullopt;
        parsed.port = value;
    }
    return parsed;
}

std::string checkPublishOptions(LoggerOptions& options)
{
    if (!options.mqttUrl) return {};
    const std::optional<MqttUrl> url = parseMqttUrl(*options.mqttUrl);
    if (!url) return "Not an MQTT URL: " + *options.mqttUrl + " (mqtt://[USER@]HOST[:PORT] or mqtts://...)";
    if (options.name && (options.name->empty() || options.name->find_first_not_of(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-") != std::string::npos))
        return "--name takes letters A-Z and a-z, digits, '_' and '-': " + *options.name;
    if (options.haDiscovery && (options.haDiscovery->empty() ||
                                options.haDiscovery->find_first_of("+# ") != std::string::npos))
        return "Not a discovery prefix: " + *options.haDiscovery;
    if (options.mqttCa) {
        if (!url->tls) return "--mqtt-ca needs an mqtts:// URL";
        if (!std::ifstream(*options.mqttCa)) return "Cannot read the CA file " + *options.mqttCa;
    }
    if (options.mqttPasswordFile) {
        if (url->user.empty()) return "--mqtt-password-file needs a user in the URL (mqtt://USER@HOST)";
        const auto password = firstLine(*options.mqttPasswordFile);
        if (!password) return "Cannot read the password file " + *options.mqttPasswordFile;
        options.mqttPassword = *password;
    } else if (const char* credentials = std::getenv("CREDENTIALS_DIRECTORY"); credentials && !url->user.empty()) {
        const std::string path = std::string(credentials) + "/mqtt-password";
        if (std::ifstream(path)) {
            const auto password = firstLine(path);
            if (!password) return "Cannot read the password credential " + path;
            options.mqttPassword = *password;
        }
    }
    return {};
}

void startPublishing(Publisher& publisher, const LoggerState& state, const LoggerOptions& options)
{
    const std::optional<MqttUrl> url = parseMqttUrl(options.mqttUrl.value_or(""));
    if (!url) return;
    publisher.name = options.name ? *options.name : publishNameFromHost(state.boardHost);

    platform::MqttSettings settings;
    settings.host = url->host;
    settings.port = url->port;
    settings.tls = url->tls;
    settings.caFile = options.mqttCa.value_or("");
    settings.user = url->user;
    settings.password = options.mqttPassword;
    settings.clientId = "avrnetio-" + publisher.name;
    settings.willTopic = availabilityTopic(publisher.name);
    settings.willPayload = "offline";

    const std::string prefix = options.haDiscovery.value_or("homeassistant");
    if (prefix != "off")
        for (const TopicPayload& config : discoveryConfigs(state, publisher.name, prefix))
            platform::mqttAddConnectMessage(config.topic, config.payload);
    platform::mqttAddConnectMessage(availabilityTopic(publisher.name), "online");
    publisher.active = platform::mqttStart(settings);
}

void publishRow(const Publisher& publisher, const LoggerState& state)
{
    if (!publisher.active) return;
    platform::mqttPublish(stateTopic(publisher.name),
                          statePayload(state, platform::clockLocalTime().utcOffsetMinutes));
}

void stopPublishing(Publisher& publisher)
{
    if (!publisher.active) return;
    platform::mqttStop(availabilityTopic(publisher.name), "offline", stopTimeoutMs);
    publisher.active = false;
}
