// MQTT client service: one connection to a broker, kept up by the client library's own network
// thread, and an ordered, bounded queue of messages that waits while the broker is away.
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
    std::size_t queueLimit = 10000;  // messages waiting for the broker; the oldest go first
};

// Starts connecting in the background and returns at once; the network thread reconnects by
// itself with a back-off of at most 30 s, says the first failure and the recovery once each on
// standard error, and after every connection sends the connect messages before any waiting one.
// False when the client cannot be set up at all (its message is then on standard error).
bool mqttStart(const MqttSettings& settings);

// Added to what every connection sends first (retained, QoS 1): availability and discovery.
void mqttAddConnectMessage(const std::string& topic, const std::string& payload);

// Queues one retained QoS 1 message behind all earlier ones; never waits for the network.
void mqttPublish(const std::string& topic, const std::string& payload);

// Publishes the final message, waits up to timeoutMs for the broker to take everything still
// queued, disconnects and ends the network thread.
void mqttStop(const std::string& topic, const std::string& payload, int timeoutMs);

}  // namespace platform
