// Publishing in a build without an MQTT client (the Windows program): --mqtt is a usage error.
#include "publish/Publishing.h"

#include "driver/CommandLine.h"

bool publishingBuilt() { return false; }

std::optional<MqttUrl> parseMqttUrl(std::string_view) { return std::nullopt; }

std::string checkPublishOptions(LoggerOptions& options)
{
    return options.mqttUrl ? "This build has no MQTT: --mqtt cannot be used." : std::string();
}

void startPublishing(Publisher&, const LoggerState&, const LoggerOptions&) {}
void publishRow(const Publisher&, const LoggerState&) {}
void stopPublishing(Publisher&) {}
