// The Windows build has no MQTT client: the command line refuses --mqtt before anything starts.
#include "platform/mqtt.h"

namespace platform {

bool mqttAvailable() { return false; }
bool mqttStart(const MqttSettings&) { return false; }
void mqttAddConnectMessage(const std::string&, const std::string&) {}
void mqttPublish(const std::string&, const std::string&) {}
void mqttStop(const std::string&, const std::string&, int) {}

}  // namespace platform
