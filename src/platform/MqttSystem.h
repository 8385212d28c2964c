// What the MQTT client service (MqttClient.cpp) takes from its platform: the network thread's
// start, wake-up and wait, where its messages go, and TLS with the system's roots. Only that
// service includes it; posix/mqtt.cpp and win32/mqtt.cpp implement it.
#pragma once

#include <string>
#include <thread>

struct mosquitto;  // libmosquitto's client, named without its header

namespace platform {

// Makes the wake-up, after mosquitto_lib_init; false with why not in error.
bool mqttSystemStart(std::string& error);
// Starts run on the thread, which takes no termination signal; false with why not in error.
bool mqttSystemStartThread(std::thread& thread, void (*run)(), std::string& error);
// Ends a wait of the network thread's at once, or the next one; from any thread, never blocks.
void mqttSystemWake();
// On the network thread: waits until woken, the socket (-1: none) can be read, or written when
// wantWrite, or timeoutMs passed; a wake-up is used up by it.
void mqttSystemWait(int socket, bool wantWrite, int timeoutMs);
// One line of the service's, ready in the console's encoding.
void mqttSystemSay(const std::string& text);
// What the system says of an error number that a library call left.
std::string mqttSystemErrorText(int error);
// The client checks the broker's certificate, named host, against the system's own roots; a
// libmosquitto result.
int mqttSystemUseRoots(mosquitto* client, const std::string& host);

}  // namespace platform
