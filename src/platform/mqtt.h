// MQTT client service: one connection to a broker, kept up by a network thread of the service's
// own, and one ordered, bounded queue of messages that waits while the broker is away.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

struct MqttSettings {
    std::string host;
    int port = 1883;
    bool tls = false;
    std::string caFile;  // empty: the system's CA store
    std::string user;    // empty: no user name
    std::string password;
    std::string clientId;
    std::string willTopic;  // the will's payload is willPayload, retained
    std::string willPayload;
    std::size_t queueLimit = 10000;  // messages of every kind waiting or unacknowledged; the oldest row goes first
};

// Starts the network thread and returns at once: the thread looks the broker's name up, connects,
// and after any failure tries again 1 s later, then 2, 4 ... at most 30 s later; it says what goes
// wrong, the first dropped row and the recovery on standard error. Every connection sends the
// connect messages first, once. False when the thread cannot be started (said on standard error).
bool mqttStart(const MqttSettings& settings);

// Before mqttStart: added to what every connection sends first (retained, QoS 1), availability
// and discovery.
void mqttAddConnectMessage(const std::string& topic, const std::string& payload);

// Queues one retained QoS 1 row behind all earlier ones; never waits for the network, the
// library or standard error.
void mqttPublish(const std::string& topic, const std::string& payload);

// Queues the final message behind the rest and gives the network thread timeoutMs in all to
// deliver it; the connection then ends with a DISCONNECT if the broker confirmed it, else without,
// so that the broker publishes the will. Returns within timeoutMs whatever the broker does.
void mqttStop(const std::string& topic, const std::string& payload, int timeoutMs);

}  // namespace platform
