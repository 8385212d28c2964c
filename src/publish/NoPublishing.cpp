// Publishing in a build without an MQTT client (the Windows program): --mqtt is a usage error.
#include "publish/Publishing.h"

#include "settings/Settings.h"

bool publishingBuilt() { return false; }

std::optional<MqttUrl> parseMqttUrl(std::string_view) { return std::nullopt; }

std::string mqttSettingProblem(SettingCheck check, const std::string&)
{
    return check == SettingCheck::mqttUrl ? "this build has no MQTT" : "";
}

std::string checkPublishSettings(const Settings& settings, std::string&)
{
    return isGiven(settings, &Settings::mqttUrl) ? "This build has no MQTT: --mqtt cannot be used." : std::string();
}

void startPublishing(Publisher&, const LoggerState&, const std::string&) {}
void publishRow(const Publisher&, const LoggerState&) {}
void stopPublishing(Publisher&) {}
std::string publishName(const Settings&) { return {}; }
std::vector<std::string> forgetTopics(const Settings&) { return {}; }
bool forgetPublished(const Settings&, const std::string&) { return false; }
BrokerCheck checkBroker(const Settings&, const std::string&) { return {}; }
