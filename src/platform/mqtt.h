// MQTT client service: one connection to a broker, kept up by a network thread of the service's
// own, and one ordered, bounded queue of messages that waits while the broker is away.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "driver/Messages.h"

namespace platform {

struct MqttSettings {
    std::string host;
    int port = 1883;
    bool tls = false;
    std::string caFile;  // empty: the system's CA store
    std::string user;    // empty: no user name
    std::string password;
    std::string clientId;
    std::string willTopic;  // the will's payload is willPayload, retained; empty: no will
    std::string willPayload;
    // Non-empty: the name that this client holds alone (see mqttStart); the topic holds the
    // holder's client id, retained, and probeTopic carries the questions whether it is still there.
    std::string ownerTopic;
    std::string probeTopic;
    std::size_t queueLimit = 10000;  // messages of every kind waiting or unacknowledged; the oldest row goes first
};

// Starts the network thread and returns at once: the thread looks the broker's name up, connects,
// and after any failure tries again 1 s later, then 2, 4 ... at most 30 s later; it says what goes
// wrong, the first dropped row and the recovery on standard error. Every connection sends the
// connect messages first, once. False when the thread cannot be started (said on standard error).
//
// With an owner topic, a connection first asks whether another client holds the name: it
// subscribes to the owner, probe and will topics and publishes its client id to the probe topic.
// A holder answers every probe of another by publishing its id to the owner topic again. When no
// answer came within 3 s of the probe's own return, this client takes the name (its id to the owner
// topic, retained), sends the connect messages and publishes; otherwise it says on standard error
// that the other holds the name, drops the rows meanwhile, and asks again when the other's will
// or a cleared owner topic says it is gone, and every 30 s. Two that took the name at once both
// see it: the greater client id stands aside. A will of another that arrives while this client
// holds the name is undone by publishing the will topic's connect message again.
bool mqttStart(const MqttSettings& settings);

enum class MqttNameState { free, held, unreachable };

struct MqttNameCheck {
    MqttNameState state = MqttNameState::unreachable;
    std::string holder;  // held: the other's client id
    ::Message reason;    // unreachable: why not
};

// One connection of its own, made and ended within timeoutMs, that asks as mqttStart does whether
// another client holds the name of the owner topic, and takes nothing; for a check before a start.
// Blocks; independent of the client that mqttStart starts.
MqttNameCheck mqttCheckName(const MqttSettings& settings, int timeoutMs);

// Before mqttStart: added to what every connection sends first (retained, QoS 1), availability
// and discovery.
void mqttAddConnectMessage(const std::string& topic, const std::string& payload);

// Queues one QoS 1 row, not retained, behind all earlier ones; never waits for the network, the
// library or standard error.
void mqttPublish(const std::string& topic, const std::string& payload);

// The newest state, retained, QoS 1: it replaces a state still waiting, and goes ahead of the
// waiting rows, so that after an outage only the newest is sent, once.
void mqttPublishLatest(const std::string& topic, const std::string& payload);

// The connection's state in the user's words: connecting, connected, why not, or another holding
// the name. serial counts the changes, 0 before mqttStart; each change also wakes uiTakeEvent.
struct MqttStatus {
    unsigned long serial = 0;
    ::Message text;
};
MqttStatus mqttStatus();

// The broker password in the user's own store of secrets, under the logger's name, where the
// platform has one: Windows' credential manager, as a generic credential. Linux has none here; its
// password files serve. Passwords and names are UTF-8.
bool mqttPasswordStoreExists();
std::optional<std::string> mqttPasswordStored(const std::string& name);
bool mqttPasswordStore(const std::string& name, const std::string& password);
// True when none is left under the name.
bool mqttPasswordRemove(const std::string& name);

// Queues the final message behind the rest and gives the network thread timeoutMs in all to
// deliver it; the connection then ends with a DISCONNECT if the broker confirmed it, else without,
// so that the broker publishes the will. Returns within timeoutMs whatever the broker does: true
// when the broker confirmed the final message.
bool mqttStop(const std::string& topic, const std::string& payload, int timeoutMs);

}  // namespace platform
