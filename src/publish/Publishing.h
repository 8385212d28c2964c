// Publishing every logged row to an MQTT broker, with Home Assistant discovery: the options, and
// the three steps the driver takes (start after the board information, one per row, stop).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/Messages.h"
#include "settings/Settings.h"

struct LoggerState;

// The most bytes an MQTT string (a topic, a user name, a password) holds.
inline constexpr std::size_t mqttStringBytesMax = 65535;

struct MqttUrl {
    bool tls = false;
    std::string user;  // empty: none
    std::string host;
    int port = 0;
};

// mqtt://[USER@]HOST[:PORT] or mqtts://[USER@]HOST[:PORT]; ports 1883 and 8883 by default.
std::optional<MqttUrl> parseMqttUrl(std::string_view url);

// Why an MQTT setting of the settings file cannot be used, judged by its row's check; empty where
// it can. Its key names it in the message: "not an MQTT URL (mqtt://...)".
Message mqttSettingProblem(SettingCheck check, const std::string& value);

// What the MQTT settings say that cannot be, in words of the options; empty where all can be.
Message mqttOptionsProblem(const Settings& settings);

// Checks the MQTT settings and reads the password (the password file, else the service's
// credential mqtt-password). Empty when all is well, else why not, for the usage error.
Message checkPublishSettings(const Settings& settings, std::string& password);

// The broker password kept for the logger's name where the platform keeps one (Windows' credential
// manager), UTF-8: whether it does, the password (nullopt: none), and storing it, where an empty
// one removes it.
bool passwordStoreExists();
std::optional<std::string> storedPassword(const Settings& settings);
bool storePassword(const Settings& settings, const std::string& password);

// The logger's name in topics: the setting, else made from the board's address.
std::string publishName(const Settings& settings);

struct Publisher {
    bool active = false;
    std::string name;
    unsigned long statusShown = 0;
};

void startPublishing(Publisher& publisher, const LoggerState& state, const std::string& password);
// Publishes the row just logged.
void publishRow(const Publisher& publisher, const LoggerState& state);
// The connection's state as the window says it, when it changed since the last call.
std::optional<std::string> publishingStatusChange(Publisher& publisher);
// Publishes offline and disconnects, within 2 s.
void stopPublishing(Publisher& publisher);

struct BrokerCheck {
    bool good = false;
    Message text;
};

// For the settings window's connection test: whether the broker takes the logger, and whether
// another logger of its name is online there. Blocks for up to 8 s.
BrokerCheck checkBroker(const Settings& settings, const std::string& password);

// What the broker keeps of the logger under its name: the discovery configs (under the default
// prefix when discovery is off), the state, the availability and the owner.
std::vector<std::string> forgetTopics(const Settings& settings);
// Removes those from the broker by empty retained messages, and then the stored password; false
// when the broker did not confirm them within 15 s (said on standard error), and nothing else goes.
bool forgetPublished(const Settings& settings, const std::string& password);
