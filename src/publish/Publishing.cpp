// Publishing every logged row to an MQTT broker through the platform's MQTT client.
#include "publish/Publishing.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "driver/LoggerState.h"
#include "driver/TextCodec.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/mqtt.h"
#include "publish/Payloads.h"

namespace {

constexpr int stopTimeoutMs = 2000;
// Long enough for a broker that takes a few tries to reach.
constexpr int forgetTimeoutMs = 15000;
constexpr int brokerCheckMs = 8000;
// A bundle of every public CA takes about 200 KB.
constexpr std::size_t caFileBytesMax = 16 * 1024 * 1024;

// Up to limit bytes of a regular file, into text; else why not. Nothing else is opened, since a
// FIFO would hold up the start. kind names the file in the message.
Message readRegularFile(MessageId kind, const std::string& path, std::size_t limit, std::string& text)
{
    const Message what = message(kind);
    const Message where = platform::filePathText(path);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return message(MessageId::fileMissing, {what, where});
    // The system's own words, the same in both languages.
    if (error) return message(MessageId::fileUnreadableBecause, {what, where, printableLatin1(error.message(), 200)});
    if (!std::filesystem::is_regular_file(status)) return message(MessageId::fileNotRegular, {what, where});
    std::ifstream file(path, std::ios::binary);
    text.assign(limit, '\0');
    if (file) file.read(text.data(), static_cast<std::streamsize>(limit));
    if (!file && !file.eof()) return message(MessageId::fileUnreadable, {what, where});
    text.resize(static_cast<std::size_t>(file.gcount()));
    return {};
}

// The first line of a password file or credential without its line end and a CR before that:
// every other byte is the password. The service's credential is an empty line when there is none.
Message readPassword(MessageId kind, const std::string& path, bool emptyIsNone, std::string& password)
{
    std::string text;
    if (Message problem = readRegularFile(kind, path, mqttStringBytesMax + 2, text); !problem.empty()) return problem;
    if (emptyIsNone && (text.empty() || text == "\n")) return {};
    const Message what = message(kind);
    const Message where = platform::filePathText(path);
    if (text.empty()) return message(MessageId::passwordFileEmpty, {what, where});
    std::string line = text.substr(0, text.find('\n'));
    if (line.ends_with('\r')) line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) return message(MessageId::passwordBlank, {what, where});
    if (line.size() > mqttStringBytesMax) return message(MessageId::passwordTooLong, {what, where});
    if (line.find('\0') != std::string::npos) return message(MessageId::passwordNul, {what, where});
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

}  // namespace

Message checkPublishSettings(const Settings& settings, std::string& password)
{
    if (!isGiven(settings, &Settings::mqttUrl)) return {};
    if (Message problem = mqttOptionsProblem(settings); !problem.empty()) return problem;
    const std::optional<MqttUrl> url = parseMqttUrl(settings.mqttUrl);
    if (isGiven(settings, &Settings::mqttCa)) {
        std::string text;
        if (Message problem = readRegularFile(MessageId::caFileKind, settings.mqttCa, caFileBytesMax, text);
            !problem.empty())
            return problem;
        if (!holdsCertificate(text)) return message(MessageId::caNoCertificate, {platform::filePathText(settings.mqttCa)});
    }
    if (isGiven(settings, &Settings::mqttPasswordFile))
        return readPassword(MessageId::passwordFileKind, settings.mqttPasswordFile, false, password);
    if (const std::optional<std::string> stored = storedPassword(settings); stored && !url->user.empty()) {
        password = *stored;
        return {};
    }
    if (const char* credentials = std::getenv("CREDENTIALS_DIRECTORY"); credentials && !url->user.empty()) {
        const std::string path = std::string(credentials) + "/mqtt-password";
        std::error_code error;
        if (std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found)
            return readPassword(MessageId::credentialKind, path, true, password);
    }
    return {};
}

bool passwordStoreExists() { return platform::mqttPasswordStoreExists(); }

std::optional<std::string> storedPassword(const Settings& settings)
{
    return platform::mqttPasswordStored(publishName(settings));
}

bool storePassword(const Settings& settings, const std::string& password)
{
    const std::string name = publishName(settings);
    return password.empty() ? platform::mqttPasswordRemove(name) : platform::mqttPasswordStore(name, password);
}

std::string publishName(const Settings& settings)
{
    return settings.name.empty() ? publishNameFromHost(settings.boardHost) : settings.name;
}

namespace {

// The broker, and a client id of this process alone: two loggers of one name must not throw
// each other out.
platform::MqttSettings brokerSettings(const Settings& options, const std::string& name, const std::string& password)
{
    const std::optional<MqttUrl> url = parseMqttUrl(options.mqttUrl);
    platform::MqttSettings settings;
    settings.host = url->host;
    settings.port = url->port;
    settings.tls = url->tls;
    settings.caFile = options.mqttCa;
    settings.user = url->user;
    settings.password = password;
    std::random_device random;
    std::array<char, 9> unique{};
    std::to_chars(unique.data(), unique.data() + 8, random() | 0x10000000u, 16);
    settings.clientId = "avrnetio-" + name + "-" + unique.data();
    return settings;
}

}  // namespace

void startPublishing(Publisher& publisher, const LoggerState& state, const std::string& password)
{
    const Settings& options = state.settings;
    if (!parseMqttUrl(options.mqttUrl)) return;
    publisher.name = publishName(options);

    platform::MqttSettings settings = brokerSettings(options, publisher.name, password);
    settings.willTopic = availabilityTopic(publisher.name);
    settings.willPayload = "offline";
    settings.ownerTopic = ownerTopic(publisher.name);
    settings.probeTopic = probeTopic(publisher.name);

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
    const std::string payload = statePayload(state, platform::clockLocalTime().utcOffsetMinutes);
    platform::mqttPublish(rowsTopic(publisher.name), payload);
    platform::mqttPublishLatest(stateTopic(publisher.name), payload);
}

std::optional<std::string> publishingStatusChange(Publisher& publisher)
{
    if (!publisher.active) return std::nullopt;
    const platform::MqttStatus status = platform::mqttStatus();
    if (status.serial == publisher.statusShown) return std::nullopt;
    publisher.statusShown = status.serial;
    return status.text.in(Language::german);
}

void stopPublishing(Publisher& publisher)
{
    if (!publisher.active) return;
    platform::mqttStop(availabilityTopic(publisher.name), "offline", stopTimeoutMs);
    publisher.active = false;
}

BrokerCheck checkBroker(const Settings& settings, const std::string& password)
{
    const std::string name = publishName(settings);
    platform::MqttSettings broker = brokerSettings(settings, name, password);
    broker.ownerTopic = ownerTopic(name);
    broker.probeTopic = probeTopic(name);
    const platform::MqttNameCheck check = platform::mqttCheckName(broker, brokerCheckMs);
    const Message shownName = printableLatin1(name, 200);
    switch (check.state) {
    case platform::MqttNameState::free: return {true, message(MessageId::brokerFree, {shownName})};
    case platform::MqttNameState::held: return {false, message(MessageId::brokerHeld, {shownName})};
    case platform::MqttNameState::unreachable: break;
    }
    return {false, message(MessageId::brokerUnreachable, {check.reason})};
}

std::vector<std::string> forgetTopics(const Settings& settings)
{
    const std::string name = publishName(settings);
    const std::string prefix = settings.haDiscovery == "off" ? fallbackText(*rowOf(&Settings::haDiscovery), 0)
                                                             : settings.haDiscovery;
    std::vector<std::string> topics = discoveryTopics(name, prefix);
    for (const std::string& topic : {stateTopic(name), availabilityTopic(name), ownerTopic(name)})
        topics.push_back(topic);
    return topics;
}

bool forgetPublished(const Settings& settings, const std::string& password)
{
    const std::vector<std::string> topics = forgetTopics(settings);
    // An empty retained message removes the one the broker keeps; the last is confirmed after the rest.
    for (std::size_t i = 0; i + 1 < topics.size(); ++i) platform::mqttAddConnectMessage(topics[i], "");
    if (!platform::mqttStart(brokerSettings(settings, publishName(settings), password))) return false;
    if (!platform::mqttStop(topics.back(), "", forgetTimeoutMs)) return false;
    platform::mqttPasswordRemove(publishName(settings));
    return true;
}
