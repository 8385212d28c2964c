// Publishing every logged row to an MQTT broker through the platform's MQTT client.
#include "publish/Publishing.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "driver/LoggerState.h"
#include "driver/TextCodec.h"
#include "platform/clock.h"
#include "platform/mqtt.h"
#include "publish/Payloads.h"

namespace {

constexpr int stopTimeoutMs = 2000;
// What goes into the topics and the CONNECT packet, bounded: Home Assistant's own prefix is one
// level of 13 bytes, a DNS name has at most 253 bytes and an MQTT string at most 65535.
constexpr std::size_t prefixLevelsMax = 16;
constexpr std::size_t prefixBytesMax = 256;
constexpr std::size_t nameBytesMax = 64;
constexpr std::size_t hostBytesMax = 253;
constexpr std::size_t mqttStringBytesMax = 65535;
// A bundle of every public CA takes about 200 KB.
constexpr std::size_t caFileBytesMax = 16 * 1024 * 1024;

// Why text cannot be an MQTT string (a topic, a user name); empty when it can.
std::string mqttTextProblem(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::optional<char32_t> code = nextCodePoint(text, at);
        if (!code) return "is not valid UTF-8";
        if (*code < 0x20 || (*code >= 0x7F && *code <= 0x9F)) return "holds a control character";
        if ((*code >= 0xFDD0 && *code <= 0xFDEF) || (*code & 0xFFFE) == 0xFFFE) return "holds a noncharacter";
    }
    return {};
}

// Up to limit bytes of a regular file, into text; else why not. Nothing else is opened, since a
// FIFO would hold up the start.
std::string readRegularFile(const std::string& what, const std::string& path, std::size_t limit, std::string& text)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return "Cannot read the " + what + " " + path + ": it does not exist";
    if (error) return "Cannot read the " + what + " " + path + ": " + error.message();
    if (!std::filesystem::is_regular_file(status)) return "The " + what + " " + path + " is not a regular file";
    std::ifstream file(path, std::ios::binary);
    text.assign(limit, '\0');
    if (file) file.read(text.data(), static_cast<std::streamsize>(limit));
    if (!file && !file.eof()) return "Cannot read the " + what + " " + path;
    text.resize(static_cast<std::size_t>(file.gcount()));
    return {};
}

// The first line of a password file or credential without its line end and a CR before that:
// every other byte is the password. The service's credential is an empty line when there is none.
std::string readPassword(const std::string& what, const std::string& path, bool emptyIsNone, std::string& password)
{
    std::string text;
    if (std::string problem = readRegularFile(what, path, mqttStringBytesMax + 2, text); !problem.empty())
        return problem;
    if (emptyIsNone && (text.empty() || text == "\n")) return {};
    const std::string where = "the " + what + " " + path;
    if (text.empty()) return "The " + what + " " + path + " is empty";
    std::string line = text.substr(0, text.find('\n'));
    if (line.ends_with('\r')) line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) return "The first line of " + where + " is blank";
    if (line.size() > mqttStringBytesMax) return "The password in " + where + " is longer than 65535 bytes";
    if (line.find('\0') != std::string::npos) return "The password in " + where + " holds a NUL byte";
    password = line;
    return {};
}

// At least one PEM certificate block, the form in which the TLS library reads a CA file.
bool holdsCertificate(std::string_view text)
{
    constexpr std::string_view begin = "-----BEGIN CERTIFICATE-----";
    constexpr std::string_view end = "-----END CERTIFICATE-----";
    const std::string base64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
    for (auto at = text.find(begin); at != std::string_view::npos; at = text.find(begin, at + 1)) {
        const auto bodyStart = at + begin.size();
        const auto stop = text.find(end, bodyStart);
        if (stop == std::string_view::npos) return false;
        const std::string_view body = text.substr(bodyStart, stop - bodyStart);
        const auto letters = std::ranges::count_if(body, [&](char c) { return base64.find(c) != std::string::npos; });
        // Even the smallest certificate takes some hundred letters.
        if (body.find_first_not_of(base64 + " \t\r\n") == std::string_view::npos && letters >= 100) return true;
    }
    return false;
}

std::string checkPrefix(const std::string& prefix)
{
    if (prefix == "off") return {};
    if (prefix.size() > prefixBytesMax)
        return "The discovery prefix is longer than " + std::to_string(prefixBytesMax) + " bytes";
    if (static_cast<std::size_t>(std::ranges::count(prefix, '/')) + 1 > prefixLevelsMax)
        return "The discovery prefix has more than " + std::to_string(prefixLevelsMax) + " levels";
    if (const std::string problem = mqttTextProblem(prefix); !problem.empty()) return "The discovery prefix " + problem;
    if (prefix.starts_with('$'))
        return "The discovery prefix begins with $, which marks the broker's own topics: " + prefix;
    if (prefix.empty() || prefix.find_first_of("+# ") != std::string::npos) return "Not a discovery prefix: " + prefix;
    return {};
}

std::string checkName(const Settings& settings)
{
    const std::string longest = std::to_string(nameBytesMax);
    const std::string& name = settings.name;
    if (!isGiven(settings, &Settings::name)) {
        if (publishNameFromHost(settings.boardHost).size() > nameBytesMax)
            return "The name made from --host is longer than " + longest + " characters: give one with --name";
        return {};
    }
    if (name.size() > nameBytesMax) return "--name is longer than " + longest + " characters";
    if (name.empty() || name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-") !=
                            std::string::npos)
        return "--name takes letters A-Z and a-z, digits, '_' and '-': " + name;
    return {};
}

std::string checkUrl(const MqttUrl& url)
{
    if (url.user.find(':') != std::string::npos)
        return "The URL holds a password after the user name, where ps shows it to everyone: put it in a file for "
               "--mqtt-password-file";
    if (url.user.size() > mqttStringBytesMax) return "The user name in the URL is longer than 65535 bytes";
    if (const std::string problem = mqttTextProblem(url.user); !problem.empty())
        return "The user name in the URL " + problem;
    if (std::ranges::any_of(url.host, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return "The broker's host in the URL holds a control character";
    if (url.host.size() > hostBytesMax)
        return "The broker's host in the URL is longer than " + std::to_string(hostBytesMax) + " bytes";
    return {};
}

}  // namespace

bool publishingBuilt() { return true; }

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
        const std::optional<int> number = portNumber(port);
        if (!number) return std::nullopt;
        parsed.port = *number;
    }
    return parsed;
}

std::string checkPublishSettings(const Settings& settings, std::string& password)
{
    if (!isGiven(settings, &Settings::mqttUrl)) return {};
    const std::optional<MqttUrl> url = parseMqttUrl(settings.mqttUrl);
    if (!url) return "Not an MQTT URL: " + settings.mqttUrl + " (mqtt://[USER@]HOST[:PORT] or mqtts://...)";
    if (std::string problem = checkUrl(*url); !problem.empty()) return problem;
    if (std::string problem = checkName(settings); !problem.empty()) return problem;
    if (std::string problem = checkPrefix(settings.haDiscovery); !problem.empty()) return problem;
    if (isGiven(settings, &Settings::mqttCa)) {
        if (!url->tls) return "--mqtt-ca needs an mqtts:// URL";
        std::string text;
        if (std::string problem = readRegularFile("CA file", settings.mqttCa, caFileBytesMax, text); !problem.empty())
            return problem;
        if (!holdsCertificate(text))
            return "The CA file " + settings.mqttCa + " holds no certificate (a PEM block -----BEGIN CERTIFICATE-----)";
    }
    if (isGiven(settings, &Settings::mqttPasswordFile)) {
        if (url->user.empty()) return "--mqtt-password-file needs a user in the URL (mqtt://USER@HOST)";
        return readPassword("password file", settings.mqttPasswordFile, false, password);
    }
    if (const char* credentials = std::getenv("CREDENTIALS_DIRECTORY"); credentials && !url->user.empty()) {
        const std::string path = std::string(credentials) + "/mqtt-password";
        std::error_code error;
        if (std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found)
            return readPassword("password credential", path, true, password);
    }
    return {};
}

void startPublishing(Publisher& publisher, const LoggerState& state, const std::string& password)
{
    const Settings& options = state.settings;
    const std::optional<MqttUrl> url = parseMqttUrl(options.mqttUrl);
    if (!url) return;
    publisher.name = options.name.empty() ? publishNameFromHost(options.boardHost) : options.name;

    platform::MqttSettings settings;
    settings.host = url->host;
    settings.port = url->port;
    settings.tls = url->tls;
    settings.caFile = options.mqttCa;
    settings.user = url->user;
    settings.password = password;
    settings.clientId = "avrnetio-" + publisher.name;
    settings.willTopic = availabilityTopic(publisher.name);
    settings.willPayload = "offline";

    const std::string& prefix = options.haDiscovery;
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
