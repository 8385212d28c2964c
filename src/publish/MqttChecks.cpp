// The MQTT settings judged by what they say, before any file they name is read: the URL, the
// name, the discovery prefix, and what they need of each other.
#include "publish/Publishing.h"

#include <algorithm>

#include "driver/TextCodec.h"

namespace {

// What goes into the topics and the CONNECT packet, bounded: Home Assistant's own prefix is one
// level of 13 bytes and a DNS name has at most 253 bytes.
constexpr std::size_t prefixLevelsMax = 16;
constexpr std::size_t prefixBytesMax = 256;
constexpr std::size_t nameBytesMax = 64;
constexpr std::size_t hostBytesMax = 253;

// Why text cannot be an MQTT string (a topic, a user name); empty when it can.
Message mqttTextProblem(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::optional<char32_t> code = nextCodePoint(text, at);
        if (!code) return message(MessageId::mqttTextNotUtf8);
        if (*code < 0x20 || (*code >= 0x7F && *code <= 0x9F)) return message(MessageId::mqttTextControl);
        if ((*code >= 0xFDD0 && *code <= 0xFDEF) || (*code & 0xFFFE) == 0xFFFE)
            return message(MessageId::mqttTextNoncharacter);
    }
    return {};
}

// A value the user gave, as a message holds it.
Message given(std::string_view text) { return printableLatin1(text, 200); }

Message checkPrefix(const std::string& prefix)
{
    if (prefix == "off") return {};
    if (prefix.size() > prefixBytesMax) return message(MessageId::prefixTooLong, {std::to_string(prefixBytesMax)});
    if (static_cast<std::size_t>(std::ranges::count(prefix, '/')) + 1 > prefixLevelsMax)
        return message(MessageId::prefixTooDeep, {std::to_string(prefixLevelsMax)});
    if (const Message problem = mqttTextProblem(prefix); !problem.empty())
        return message(MessageId::prefixText, {problem});
    if (prefix.starts_with('$')) return message(MessageId::prefixOfBroker, {given(prefix)});
    if (prefix.empty() || prefix.find_first_of("+# ") != std::string::npos)
        return message(MessageId::prefixInvalid, {given(prefix)});
    return {};
}

// What is wrong with a name given, said after the name's option or key.
Message nameProblem(const std::string& name)
{
    if (name.size() > nameBytesMax) return message(MessageId::nameTooLong, {std::to_string(nameBytesMax)});
    if (name.empty() || name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-") !=
                            std::string::npos)
        return message(MessageId::nameLetters, {given(name)});
    return {};
}

Message checkUrl(const MqttUrl& url)
{
    if (url.user.find(':') != std::string::npos) return message(MessageId::urlPassword);
    if (url.user.size() > mqttStringBytesMax) return message(MessageId::urlUserTooLong);
    if (const Message problem = mqttTextProblem(url.user); !problem.empty())
        return message(MessageId::urlUserText, {problem});
    if (std::ranges::any_of(url.host, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return message(MessageId::urlHostControl);
    if (url.host.size() > hostBytesMax) return message(MessageId::urlHostTooLong, {std::to_string(hostBytesMax)});
    return {};
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
        const std::optional<int> number = portNumber(port);
        if (!number) return std::nullopt;
        parsed.port = *number;
    }
    return parsed;
}

Message mqttSettingProblem(SettingCheck check, const std::string& value)
{
    if (check == SettingCheck::mqttName) return nameProblem(value);
    if (check == SettingCheck::discoveryPrefix) return checkPrefix(value);
    if (check != SettingCheck::mqttUrl) return {};
    const std::optional<MqttUrl> url = parseMqttUrl(value);
    return url ? checkUrl(*url) : message(MessageId::urlInvalid);
}

Message mqttOptionsProblem(const Settings& settings)
{
    const std::optional<MqttUrl> url = parseMqttUrl(settings.mqttUrl);
    if (!url) return message(MessageId::urlInvalidOption, {given(settings.mqttUrl)});
    if (Message problem = checkUrl(*url); !problem.empty()) return problem;
    if (!isGiven(settings, &Settings::name) && publishNameFromHost(settings.boardHost).size() > nameBytesMax)
        return message(MessageId::nameFromHostTooLong, {std::to_string(nameBytesMax)});
    if (Message problem = isGiven(settings, &Settings::name) ? nameProblem(settings.name) : Message(); !problem.empty())
        return message(MessageId::nameOption, {problem});
    if (Message problem = checkPrefix(settings.haDiscovery); !problem.empty()) return problem;
    if (isGiven(settings, &Settings::mqttCa) && !url->tls) return message(MessageId::caNeedsTls, {"--mqtt-ca "});
    if (isGiven(settings, &Settings::mqttPasswordFile) && url->user.empty())
        return message(MessageId::passwordFileNeedsUser, {"--mqtt-password-file "});
    return {};
}
