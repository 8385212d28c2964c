// MQTT client service on Linux: libmosquitto with its own network thread. The library's callbacks
// only move messages between this file's queue and the library, and say outages on stderr.
#include "platform/mqtt.h"

#include <mosquitto.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <vector>

namespace platform {

namespace {

struct Message {
    std::string topic;
    std::string payload;
};

// Messages handed to the library and not yet acknowledged. The library sends them again by itself
// after a reconnection, before anything handed over later, so the broker sees them in order.
constexpr int inFlightLimit = 20;
constexpr int keepAliveSeconds = 30;
constexpr unsigned reconnectDelayMaxSeconds = 30;
// Some failed attempts (a broker that never answers, say) reach no callback for a long time.
constexpr auto silentFailureAfter = std::chrono::seconds(10);

struct MqttData {
    mosquitto* client = nullptr;
    std::mutex lock;
    std::condition_variable drained;
    std::deque<Message> waiting;  // not yet handed to the library, oldest first
    std::vector<Message> connectMessages;
    std::size_t queueLimit = 0;
    int inFlight = 0;
    // Atomic, since the library's log reads them without the lock (see onLog).
    std::atomic<bool> connected = false;
    std::atomic<bool> failureSaid = false;
    bool stopped = false;
    std::chrono::steady_clock::time_point started;
    unsigned long long dropped = 0;  // since the last recovery was said
    std::string where;               // host:port, for the messages
    std::mutex errorLock;            // only for lastLibraryError, never held around a library call
    std::string lastLibraryError;    // the library's own words for the latest error (TLS, say)
};
MqttData mqtt;
// Set while this thread hands a message to the library: an error it logs then is about that message.
thread_local bool handingOver = false;

void say(const std::string& text) { std::fprintf(stderr, "MQTT: %s\n", text.c_str()); }

// Called with the lock held.
void handOver()
{
    while (mqtt.connected && mqtt.inFlight < inFlightLimit && !mqtt.waiting.empty()) {
        const Message& message = mqtt.waiting.front();
        handingOver = true;
        const int rc = mosquitto_publish(mqtt.client, nullptr, message.topic.c_str(),
                                         static_cast<int>(message.payload.size()),
                                         message.payload.data(), 1, true);
        handingOver = false;
        // A connection lost meanwhile still leaves the message with the library, which sends it
        // after the reconnection; anything else (too large, say) will never go.
        if (rc == MOSQ_ERR_SUCCESS || rc == MOSQ_ERR_NO_CONN) ++mqtt.inFlight;
        mqtt.waiting.pop_front();
    }
    if (mqtt.waiting.empty() && mqtt.inFlight == 0) mqtt.drained.notify_all();
}

void sayFailure(const std::string& reason)
{
    if (mqtt.failureSaid.exchange(true)) return;
    say("no connection to the broker at " + mqtt.where + " (" + reason + "); rows wait in memory, up to " +
        std::to_string(mqtt.queueLimit) + ", until it is back");
}

std::string libraryReason(int rc)
{
    std::lock_guard<std::mutex> guard(mqtt.errorLock);
    if (!mqtt.lastLibraryError.empty()) return mqtt.lastLibraryError;
    return mosquitto_strerror(rc);
}

void onConnect(mosquitto*, void*, int rc)
{
    std::lock_guard<std::mutex> guard(mqtt.lock);
    if (rc != 0) {
        sayFailure(std::string("refused: ") + mosquitto_connack_string(rc));
        return;
    }
    mqtt.connected = true;
    {
        std::lock_guard<std::mutex> errorGuard(mqtt.errorLock);
        mqtt.lastLibraryError.clear();
    }
    if (mqtt.failureSaid.exchange(false)) {
        say("connected to the broker at " + mqtt.where + " again; " + std::to_string(mqtt.waiting.size()) +
            " messages follow, " + std::to_string(mqtt.dropped) + " rows were dropped");
        mqtt.dropped = 0;
    }
    mqtt.waiting.insert(mqtt.waiting.begin(), mqtt.connectMessages.begin(), mqtt.connectMessages.end());
    // Whatever the library still holds goes out after this callback; new messages follow its
    // acknowledgements so as not to overtake it.
    if (mqtt.inFlight == 0) handOver();
}

void onDisconnect(mosquitto*, void*, int rc)
{
    std::lock_guard<std::mutex> guard(mqtt.lock);
    mqtt.connected = false;
    if (rc != 0) sayFailure(libraryReason(rc));
    mqtt.drained.notify_all();
}

void onPublish(mosquitto*, void*, int)
{
    std::lock_guard<std::mutex> guard(mqtt.lock);
    if (mqtt.inFlight > 0) --mqtt.inFlight;
    handOver();
}

// A TLS failure on a reconnection shows only here. The library calls this holding its log lock,
// which a publish under mqtt.lock also takes: taking mqtt.lock here could deadlock the two threads.
void onLog(mosquitto*, void*, int level, const char* text)
{
    if (level != MOSQ_LOG_ERR || text == nullptr || handingOver) return;
    {
        std::lock_guard<std::mutex> guard(mqtt.errorLock);
        mqtt.lastLibraryError = text;
    }
    if (!mqtt.connected) sayFailure(text);
}

}  // namespace

bool mqttStart(const MqttSettings& settings)
{
    mosquitto_lib_init();
    mqtt.client = mosquitto_new(settings.clientId.c_str(), true, nullptr);
    if (mqtt.client == nullptr) {
        say("cannot create the client");
        return false;
    }
    mqtt.queueLimit = settings.queueLimit;
    mqtt.started = std::chrono::steady_clock::now();
    mqtt.where = settings.host + ":" + std::to_string(settings.port);
    mosquitto_int_option(mqtt.client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(mqtt.client, onConnect);
    mosquitto_disconnect_callback_set(mqtt.client, onDisconnect);
    mosquitto_publish_callback_set(mqtt.client, onPublish);
    mosquitto_log_callback_set(mqtt.client, onLog);
    mosquitto_reconnect_delay_set(mqtt.client, 1, reconnectDelayMaxSeconds, true);
    mosquitto_will_set(mqtt.client, settings.willTopic.c_str(), static_cast<int>(settings.willPayload.size()),
                       settings.willPayload.data(), 1, true);
    if (!settings.user.empty())
        mosquitto_username_pw_set(mqtt.client, settings.user.c_str(),
                                  settings.password.empty() ? nullptr : settings.password.c_str());
    if (settings.tls) {
        int rc = MOSQ_ERR_SUCCESS;
        if (settings.caFile.empty())
            rc = mosquitto_int_option(mqtt.client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        else
            rc = mosquitto_tls_set(mqtt.client, settings.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            say("cannot use the CA certificates " + settings.caFile + ": " + mosquitto_strerror(rc));
            return false;
        }
    }

    // The network thread takes no termination signal, so that those still end the driver's wait,
    // and a write to a closed TLS connection raises no SIGPIPE.
    sigset_t blocked;
    sigset_t previous;
    sigemptyset(&blocked);
    for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGQUIT}) sigaddset(&blocked, signal);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    const int started = mosquitto_loop_start(mqtt.client);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (started != MOSQ_ERR_SUCCESS) {
        say(std::string("cannot start the network thread: ") + mosquitto_strerror(started));
        return false;
    }
    // A first attempt that fails at once is retried by the network thread like any other.
    const int rc = mosquitto_connect_async(mqtt.client, settings.host.c_str(), settings.port, keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        std::lock_guard<std::mutex> guard(mqtt.lock);
        sayFailure(libraryReason(rc));
    }
    return true;
}

void mqttAddConnectMessage(const std::string& topic, const std::string& payload)
{
    std::lock_guard<std::mutex> guard(mqtt.lock);
    mqtt.connectMessages.push_back({topic, payload});
}

void mqttPublish(const std::string& topic, const std::string& payload)
{
    std::lock_guard<std::mutex> guard(mqtt.lock);
    if (mqtt.client == nullptr || mqtt.stopped) return;
    if (mqtt.waiting.size() >= mqtt.queueLimit) {
        mqtt.waiting.pop_front();
        ++mqtt.dropped;
    }
    mqtt.waiting.push_back({topic, payload});
    handOver();
    if (!mqtt.connected && std::chrono::steady_clock::now() - mqtt.started > silentFailureAfter)
        sayFailure("no answer");
}

void mqttStop(const std::string& topic, const std::string& payload, int timeoutMs)
{
    if (mqtt.client == nullptr || mqtt.stopped) return;
    bool drained = false;
    {
        std::unique_lock<std::mutex> guard(mqtt.lock);
        mqtt.waiting.push_back({topic, payload});
        handOver();
        drained = mqtt.drained.wait_for(guard, std::chrono::milliseconds(timeoutMs), [] {
            return !mqtt.connected || (mqtt.waiting.empty() && mqtt.inFlight == 0);
        });
        drained = drained && mqtt.connected;
    }
    mosquitto_disconnect(mqtt.client);
    if (drained) {
        mosquitto_loop_stop(mqtt.client, false);
        mosquitto_destroy(mqtt.client);
        mosquitto_lib_cleanup();
        mqtt.client = nullptr;
    } else {
        // A thread still trying to reach the broker is not waited for, and the client it may
        // have been using is left to the process's end, which comes next.
        mosquitto_loop_stop(mqtt.client, true);
        mqtt.stopped = true;
    }
}

}  // namespace platform
