// Publishing in a build without an MQTT client (the Windows program): --mqtt is a usage error.
#include "publish/Publishing.h"

#include "settings/Settings.h"

bool publishingBuilt() { return false; }

std::optional<MqttUrl> parseMqttUrl(std::string_view) { return std::nullopt; }

Message mqttSettingProblem(SettingCheck check, const std::string&)
{
    return check == SettingCheck::mqttUrl ? message(MessageId::noMqttSetting) : Message();
}

Message checkPublishSettings(const Settings& settings, std::string&)
{
    return isGiven(settings, &Settings::mqttUrl) ? message(MessageId::noMqttOption) : Message();
}

void startPublishing(Publisher&, const LoggerState&, const std::string&) {}
void publishRow(const Publisher&, const LoggerState&) {}
void stopPublishing(Publisher&) {}
std::string publishName(const Settings&) { return {}; }
std::vector<std::string> forgetTopics(const Settings&) { return {}; }
bool forgetPublished(const Settings&, const std::string&) { return false; }
BrokerCheck checkBroker(const Settings&, const std::string&) { return {}; }
