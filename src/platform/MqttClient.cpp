// MQTT client service on both platforms: libmosquitto, driven by a network thread of this file's
// own that connects, runs the library's loop and backs off after every kind of failure, with a new
// client for each attempt so that nothing of a failed one carries over. Only that thread calls the
// library, looks names up and writes messages; the logging thread only queues rows. What differs
// between the platforms (the thread's wake-up and wait, where messages go, TLS's roots) is in
// MqttSystem.h's backends.
#include "platform/mqtt.h"
#include "platform/MqttSystem.h"
#include "platform/deadline.h"
#include "platform/window.h"

// The journal's words come from the program's table of messages.
#include "driver/Messages.h"
#include "driver/TextCodec.h"

#include <mosquitto.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Messages handed to the library and not yet acknowledged, at most (the library's own window).
constexpr std::size_t inFlightLimit = 20;
// The library ends a connection on which nothing came for a keep-alive, then for a ping's
// keep-alive, so a frozen broker is noticed within 10 s.
constexpr int keepAliveSeconds = 5;
constexpr auto answerTimeout = seconds(10);  // for the broker's CONNACK, whatever the library does
constexpr auto backOffFirst = seconds(1);
constexpr auto backOffLast = seconds(30);
// A connection that delivered its connect messages and stayed up this long resets the back-off.
constexpr auto goodAfter = seconds(10);
// What the thread leaves itself of the stop's time for closing the connection.
constexpr auto closingTime = milliseconds(200);
constexpr int pollMs = 1000;  // the library's keep-alive wants a call at least this often
// How long a holder of the name has to answer a probe, after the probe's own return, and how
// often a client that stands aside asks again.
constexpr auto answerWait = seconds(3);
constexpr auto probeAgainAfter = seconds(30);
constexpr auto probeLostAfter = seconds(10);

// A row is the only message not retained; a latest state is the newest one alone.
enum class Kind { connect, row, latest, last };

struct Message {
    std::string topic;
    std::string payload;
    Kind kind = Kind::row;
};

struct Handed {
    int mid = 0;
    Message message;
};

struct MqttData {
    // Set before the network thread starts, then only read.
    MqttSettings settings;
    std::string where;  // host:port, for the messages
    std::vector<Message> connectMessages;
    std::thread thread;      // started and ended by the logging thread

    // Shared with the logging thread. The lock is never held around a library call, a write to
    // standard error or anything else that can wait.
    std::mutex lock;
    std::condition_variable finishedChanged;
    std::deque<Message> waiting;     // not yet handed to the library, oldest first
    std::optional<Message> latest;   // the newest state not yet handed to the library
    std::size_t handedCount = 0;     // counted against the bound together with waiting
    unsigned long long dropped = 0;  // rows since the recovery was last said
    bool dropSaid = false;
    bool stopping = false;
    Clock::time_point stopDeadline;
    bool finished = false;
    std::atomic<bool> abandoned = false;  // the stop no longer waits for the thread
    MqttStatus status;

    // The network thread's own; the library's callbacks run on it.
    std::deque<Handed> handed;  // in the order handed over
    bool connected = false;     // the broker accepted the current connection
    bool accepted = false;      // the broker accepted this attempt's connection, which may have ended
    bool everAccepted = false;
    bool connectSent = false;
    std::size_t connectLeft = 0;  // connect messages of this connection not yet acknowledged
    Clock::time_point connectedAt;
    bool recoveryDue = false;
    bool lastAcknowledged = false;
    ::Message failure;  // why the current attempt ended, in the user's words
    ::Message tlsReason;
    bool tlsReasonKnown = false;  // tlsReason names the certificate's fault, not the library's words
    bool outage = false;          // a failure was said and its recovery not yet
    // The name (with an owner topic): held by this client, or the probe and its answer.
    bool holding = false;
    bool probeReturned = false;
    Clock::time_point probedAt;
    Clock::time_point probeReturnedAt;
    std::string answeredBy;      // a live holder that answered since the last probe
    std::string standingAsideFor;  // said on standard error, until the name is taken
    bool readRefusalSaid = false;
    // What the callbacks leave to the loop: the library's locks are held while they run.
    bool subscribeDue = false;
    bool probeDue = false;
    bool answerDue = false;
    bool onlineDue = false;
    std::set<std::string> reasonsSaid;  // in this outage, in English
    unsigned long long refused = 0;
};
// Never destroyed: a thread that the stop gave up on may still wake up in it while the process ends.
MqttData& mqtt = *new MqttData;

[[noreturn]] void park()
{
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
}

// ::Message: the program's words, not a message to the broker.
void say(MessageId id, std::initializer_list<::Message> words)
{
    mqttSystemSay(consoleText("MQTT: " + message(id, words).in(consoleLanguage()) + "\n"));
    if (mqtt.abandoned) park();
}

void setStatus(MessageId id, std::initializer_list<::Message> words)
{
    ::Message text = message(id, words);
    {
        std::lock_guard<std::mutex> guard(mqtt.lock);
        if (mqtt.status.text.english == text.english) return;
        mqtt.status.text = std::move(text);
        ++mqtt.status.serial;
    }
    uiWake();
}

// A UTF-8 text of the broker's or the library's, as the messages hold it.
::Message quoted(const std::string& utf8) { return printableLatin1(utf8, 200); }

// Called with the lock held: room for count more messages within the bound, the oldest waiting
// rows dropped for it; false when there is nothing left to drop.
bool makeRoom(std::size_t count)
{
    while (mqtt.waiting.size() + mqtt.handedCount + count > mqtt.settings.queueLimit) {
        if (mqtt.waiting.empty()) return false;
        if (mqtt.waiting.front().kind == Kind::row) ++mqtt.dropped;
        mqtt.waiting.pop_front();
    }
    return true;
}

::Message certificateReason(long verify)
{
    switch (verify) {
    case X509_V_ERR_CERT_HAS_EXPIRED: return message(MessageId::mqttCertificateExpired);
    case X509_V_ERR_CERT_NOT_YET_VALID: return message(MessageId::mqttCertificateNotYetValid);
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return mqtt.settings.caFile.empty()
                   ? message(MessageId::mqttCertificateUnknownCa)
                   : message(MessageId::mqttCertificateOtherCa, {quoted(mqtt.settings.caFile)});
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return message(MessageId::mqttCertificateOtherHost, {quoted(mqtt.settings.host)});
    default:
        return message(MessageId::mqttCertificateRefused, {quoted(X509_verify_cert_error_string(verify))});
    }
}

::Message reasonOf(int rc, int error)
{
    switch (rc) {
    case MOSQ_ERR_ERRNO:
        return quoted(mqttSystemErrorText(error));
    case MOSQ_ERR_EAI:
        return message(MessageId::mqttNameUnknown, {quoted(mqtt.settings.host)});
    case MOSQ_ERR_CONN_LOST:
        return message(MessageId::mqttConnectionClosed);
    case MOSQ_ERR_KEEPALIVE:
        return message(mqtt.connected ? MessageId::mqttStoppedAnswering : MessageId::mqttNoAnswer,
                       {std::to_string(keepAliveSeconds)});
    case MOSQ_ERR_PROTOCOL:
    case MOSQ_ERR_MALFORMED_PACKET:
        return message(MessageId::mqttNotMqtt);
    case MOSQ_ERR_TLS:
    case MOSQ_ERR_TLS_HANDSHAKE:
        return mqtt.tlsReason.empty() ? message(MessageId::mqttTlsFailed) : mqtt.tlsReason;
    default:
        return quoted(mosquitto_strerror(rc));
    }
}

::Message refusalReason(int rc)
{
    const auto refused = [](const ::Message& why) { return message(MessageId::mqttConnectionRefused, {why}); };
    switch (rc) {
    case 1: return refused(message(MessageId::mqttRefusedProtocol));
    case 2: return refused(message(MessageId::mqttRefusedClientId, {quoted(mqtt.settings.clientId)}));
    case 3: return refused(message(MessageId::mqttRefusedUnavailable));
    case 4:
    case 5: {
        const std::string& password = mqtt.settings.password;
        ::Message odd;
        if (!password.empty() && (password.back() == ' ' || password.back() == '\t'))
            odd = message(MessageId::mqttPasswordEndsInBlank);
        else if (password.starts_with("\xEF\xBB\xBF"))
            odd = message(MessageId::mqttPasswordByteOrderMark);
        return refused(message(MessageId::mqttCheckLogin,
                               {message(rc == 4 ? MessageId::mqttBadLogin : MessageId::mqttNotAuthorised), odd}));
    }
    default: return refused(quoted(mosquitto_connack_string(rc)));
    }
}

void noteFailure(const ::Message& reason)
{
    setStatus(MessageId::mqttStatusDisconnected, {reason});
    if (!mqtt.outage) {
        mqtt.outage = true;
        mqtt.reasonsSaid = {reason.english};
        say(MessageId::mqttNoConnection, {quoted(mqtt.where), reason, std::to_string(mqtt.settings.queueLimit)});
    } else if (mqtt.reasonsSaid.insert(reason.english).second) {
        say(MessageId::mqttStillUnreachable, {quoted(mqtt.where), reason});
    }
}

void sayRecovery()
{
    mqtt.recoveryDue = false;
    if (!mqtt.outage) return;
    mqtt.outage = false;
    std::size_t following = static_cast<std::size_t>(
        std::ranges::count(mqtt.handed, Kind::row, [](const Handed& handed) { return handed.message.kind; }));
    unsigned long long dropped = 0;
    {
        std::lock_guard<std::mutex> guard(mqtt.lock);
        following += mqtt.waiting.size();
        dropped = mqtt.dropped;
        mqtt.dropped = 0;
        mqtt.dropSaid = false;
    }
    say(MessageId::mqttBack, {quoted(mqtt.where), std::to_string(following), std::to_string(dropped)});
}

void sayFirstDrop()
{
    {
        std::lock_guard<std::mutex> guard(mqtt.lock);
        if (mqtt.dropped == 0 || mqtt.dropSaid) return;
        mqtt.dropSaid = true;
    }
    say(MessageId::mqttQueueFull, {std::to_string(mqtt.settings.queueLimit), quoted(mqtt.where)});
}

bool claimsName() { return !mqtt.settings.ownerTopic.empty(); }

// Fire and forget: a probe or a claim lost with its connection is made again by the next one.
void publishAside(mosquitto* client, const std::string& topic, const std::string& payload, bool retain)
{
    mosquitto_publish(client, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, retain);
}

void probe(mosquitto* client)
{
    mqtt.probeReturned = false;
    mqtt.answeredBy.clear();
    mqtt.probedAt = Clock::now();
    publishAside(client, mqtt.settings.probeTopic, mqtt.settings.clientId, false);
}

void onConnect(mosquitto*, void*, int rc)
{
    if (rc == 0) {
        mqtt.connected = true;
        mqtt.accepted = true;
        mqtt.everAccepted = true;
        mqtt.connectedAt = Clock::now();
        mqtt.subscribeDue = claimsName();
    } else if (mqtt.failure.empty()) {
        mqtt.failure = refusalReason(rc);
    }
}

void onDisconnect(mosquitto*, void*, int rc)
{
    const int error = errno;
    if (rc != 0 && mqtt.failure.empty()) mqtt.failure = reasonOf(rc, error);
    mqtt.connected = false;
}

// The broker sends the stored owner before the acknowledgement's effects: the probe follows it.
void onSubscribe(mosquitto*, void*, int, int count, const int* granted)
{
    // A broker that lets the logger publish but not read cannot tell it of another: it publishes.
    if (std::any_of(granted, granted + count, [](int qos) { return qos > 2; })) {
        if (!mqtt.readRefusalSaid)
            say(MessageId::mqttReadRefused, {quoted(mqtt.where), quoted(mqtt.settings.ownerTopic)});
        mqtt.readRefusalSaid = true;
        mqtt.probeReturned = true;
        mqtt.probeReturnedAt = Clock::now() - answerWait;
        return;
    }
    mqtt.probeDue = true;
}

void standAside(const std::string& holder)
{
    mqtt.answeredBy = holder;
    if (mqtt.standingAsideFor == holder) return;
    mqtt.standingAsideFor = holder;
    setStatus(MessageId::mqttStatusAside, {quoted(holder)});
    say(MessageId::mqttStandAside, {quoted(mqtt.where), quoted(holder)});
}

void onMessage(mosquitto*, void*, const mosquitto_message* message)
{
    const std::string_view topic = message->topic;
    const std::string payload(static_cast<const char*>(message->payload), static_cast<std::size_t>(message->payloadlen));
    const std::string& id = mqtt.settings.clientId;
    bool stopping = false;
    {
        std::lock_guard<std::mutex> guard(mqtt.lock);
        stopping = mqtt.stopping;
    }
    if (topic == mqtt.settings.probeTopic) {
        if (payload == id) {
            mqtt.probeReturned = true;
            mqtt.probeReturnedAt = Clock::now();
        } else if (mqtt.holding && !stopping) {
            mqtt.answerDue = true;
        }
    } else if (topic == mqtt.settings.ownerTopic) {
        // A stored owner may be one long gone, which the probe finds out.
        if (payload == id || message->retain) return;
        if (payload.empty()) {
            if (!mqtt.holding) mqtt.probeDue = true;
        } else if (mqtt.holding && payload > id) {
            // Both took the name at once: the smaller id keeps it, and says so again.
            mqtt.answerDue = true;
        } else {
            mqtt.holding = false;
            standAside(payload);
        }
    } else if (topic == mqtt.settings.willTopic && !message->retain && payload == mqtt.settings.willPayload &&
               !stopping) {
        // Another's will, while this client is still here; or the other's end.
        if (mqtt.holding) mqtt.onlineDue = true;
        else if (!mqtt.answeredBy.empty()) mqtt.probeDue = true;
    }
}

void acknowledged(Kind kind)
{
    {
        std::lock_guard<std::mutex> guard(mqtt.lock);
        --mqtt.handedCount;
    }
    if (kind == Kind::last) mqtt.lastAcknowledged = true;
    if (kind == Kind::connect && --mqtt.connectLeft == 0) mqtt.recoveryDue = true;
}

void onPublish(mosquitto*, void*, int mid)
{
    const auto found = std::ranges::find(mqtt.handed, mid, &Handed::mid);
    if (found == mqtt.handed.end()) return;
    const Kind kind = found->message.kind;
    mqtt.handed.erase(found);
    acknowledged(kind);
}

// The library logs why TLS failed, and the certificate's fault can be asked for only meanwhile.
void onLog(mosquitto* client, void*, int level, const char* text)
{
    if (level != MOSQ_LOG_ERR || text == nullptr || mqtt.tlsReasonKnown) return;
    const std::string_view line = text;
    const auto* ssl = static_cast<const SSL*>(mosquitto_ssl_get(client));
    const long verify = ssl != nullptr ? SSL_get_verify_result(ssl) : X509_V_OK;
    if (line.find("host name verification failed") != std::string_view::npos) {
        mqtt.tlsReason = certificateReason(X509_V_ERR_HOSTNAME_MISMATCH);
        mqtt.tlsReasonKnown = true;
    } else if (verify != X509_V_OK) {
        mqtt.tlsReason = certificateReason(verify);
        mqtt.tlsReasonKnown = true;
    } else if (line.find("wrong version number") != std::string_view::npos) {
        mqtt.tlsReason = message(MessageId::mqttNoTls);
        mqtt.tlsReasonKnown = true;
    } else if (mqtt.tlsReason.empty()) {
        mqtt.tlsReason = quoted(std::string(line));
    }
}

bool refusedByLibrary(int rc)
{
    switch (rc) {
    case MOSQ_ERR_INVAL:
    case MOSQ_ERR_NOMEM:
    case MOSQ_ERR_PAYLOAD_SIZE:
    case MOSQ_ERR_MALFORMED_UTF8:
    case MOSQ_ERR_OVERSIZE_PACKET:
    case MOSQ_ERR_QOS_NOT_SUPPORTED:
    case MOSQ_ERR_RETAIN_NOT_SUPPORTED:
    case MOSQ_ERR_NOT_SUPPORTED:
        return true;
    default:
        return false;
    }
}

void publish(mosquitto* client, Message message)
{
    int mid = 0;
    const int rc = mosquitto_publish(client, &mid, message.topic.c_str(), static_cast<int>(message.payload.size()),
                                     message.payload.data(), 1, message.kind != Kind::row);
    if (!refusedByLibrary(rc)) {
        // On a failing connection too: the message then waits again when the connection ends.
        mqtt.handed.push_back({mid, std::move(message)});
        return;
    }
    if (++mqtt.refused == 1)
        say(MessageId::mqttDropped, {quoted(message.topic), quoted(mosquitto_strerror(rc))});
    acknowledged(message.kind);
}

// Every connection starts with the connect messages, from their own list, within the bound.
void sendConnectMessages(mosquitto* client)
{
    setStatus(MessageId::mqttStatusConnected, {quoted(mqtt.where)});
    mqtt.connectSent = true;
    mqtt.connectLeft = mqtt.connectMessages.size();
    {
        std::lock_guard<std::mutex> guard(mqtt.lock);
        mqtt.handedCount += mqtt.connectMessages.size();
        makeRoom(0);
    }
    for (const Message& message : mqtt.connectMessages) publish(client, message);
    if (mqtt.connectLeft == 0) mqtt.recoveryDue = true;
}

// Whether this client holds the name now, taking it when no holder answered the probe.
bool holdName(mosquitto* client)
{
    if (mqtt.holding) return true;
    const Clock::time_point now = Clock::now();
    if (!mqtt.answeredBy.empty()) {
        // Rows of another's time are the other's to publish.
        {
            std::lock_guard<std::mutex> guard(mqtt.lock);
            mqtt.waiting.clear();
            mqtt.latest.reset();
        }
        if (now - mqtt.probedAt >= probeAgainAfter) probe(client);
        return false;
    }
    // A probe that never returns was dropped by the broker, which then lets nothing be read.
    const bool unanswerable = mqtt.probedAt != Clock::time_point{} && now - mqtt.probedAt >= probeLostAfter;
    if (!unanswerable && (!mqtt.probeReturned || now - mqtt.probeReturnedAt < answerWait)) return false;
    mqtt.holding = true;
    setStatus(MessageId::mqttStatusConnected, {quoted(mqtt.where)});
    publishAside(client, mqtt.settings.ownerTopic, mqtt.settings.clientId, true);
    // Taken back after standing aside on this connection: the other's end said offline.
    if (mqtt.connectSent)
        for (const Message& message : mqtt.connectMessages) publishAside(client, message.topic, message.payload, true);
    if (!mqtt.standingAsideFor.empty())
        say(MessageId::mqttOtherGone, {quoted(mqtt.standingAsideFor)});
    mqtt.standingAsideFor.clear();
    return true;
}

// What the callbacks asked for, done outside them.
void answerCallbacks(mosquitto* client)
{
    if (std::exchange(mqtt.subscribeDue, false)) {
        char* topics[] = {mqtt.settings.ownerTopic.data(), mqtt.settings.probeTopic.data(),
                          mqtt.settings.willTopic.data()};
        mosquitto_subscribe_multiple(client, nullptr, mqtt.settings.willTopic.empty() ? 2 : 3, topics, 1, 0, nullptr);
    }
    if (std::exchange(mqtt.probeDue, false)) probe(client);
    if (std::exchange(mqtt.answerDue, false)) publishAside(client, mqtt.settings.ownerTopic, mqtt.settings.clientId, true);
    if (std::exchange(mqtt.onlineDue, false)) {
        const auto again = std::ranges::find(mqtt.connectMessages, mqtt.settings.willTopic, &Message::topic);
        if (again != mqtt.connectMessages.end()) publishAside(client, again->topic, again->payload, true);
    }
}

void handOver(mosquitto* client)
{
    if (!mqtt.connected) return;
    answerCallbacks(client);
    if (claimsName() && !holdName(client)) return;
    if (!mqtt.connectSent) sendConnectMessages(client);
    std::vector<Message> batch;
    {
        std::lock_guard<std::mutex> guard(mqtt.lock);
        // The newest state first: after an outage it is what a reader of the state wants at once.
        if (mqtt.latest && mqtt.handedCount < inFlightLimit) {
            batch.push_back(std::move(*mqtt.latest));
            mqtt.latest.reset();
            ++mqtt.handedCount;
        }
        while (mqtt.handedCount < inFlightLimit && !mqtt.waiting.empty()) {
            batch.push_back(std::move(mqtt.waiting.front()));
            mqtt.waiting.pop_front();
            ++mqtt.handedCount;
        }
    }
    for (Message& message : batch) publish(client, std::move(message));
}

// The rows that an ended connection left unacknowledged wait again at the front, in order.
void takeBack()
{
    std::lock_guard<std::mutex> guard(mqtt.lock);
    for (auto handed = mqtt.handed.rbegin(); handed != mqtt.handed.rend(); ++handed) {
        Message& message = handed->message;
        if (message.kind == Kind::latest) {
            if (!mqtt.latest) mqtt.latest = std::move(message);
        } else if (message.kind != Kind::connect) {
            mqtt.waiting.push_front(std::move(message));
        }
    }
    mqtt.handed.clear();
    mqtt.handedCount = 0;
}

// The protocol, the will, the user and TLS, as the settings say.
int configure(mosquitto* client, const MqttSettings& settings)
{
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    int rc = settings.willTopic.empty()
                 ? MOSQ_ERR_SUCCESS
                 : mosquitto_will_set(client, settings.willTopic.c_str(), static_cast<int>(settings.willPayload.size()),
                                      settings.willPayload.data(), 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !settings.user.empty())
        rc = mosquitto_username_pw_set(client, settings.user.c_str(),
                                       settings.password.empty() ? nullptr : settings.password.c_str());
    if (rc == MOSQ_ERR_SUCCESS && settings.tls)
        rc = settings.caFile.empty()
                 ? mqttSystemUseRoots(client, settings.host)
                 : mosquitto_tls_set(client, settings.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    return rc;
}

mosquitto* newClient()
{
    const MqttSettings& settings = mqtt.settings;
    mosquitto* client = mosquitto_new(settings.clientId.c_str(), true, nullptr);
    if (client == nullptr) return nullptr;
    mosquitto_connect_callback_set(client, onConnect);
    mosquitto_disconnect_callback_set(client, onDisconnect);
    mosquitto_publish_callback_set(client, onPublish);
    mosquitto_log_callback_set(client, onLog);
    mosquitto_subscribe_callback_set(client, onSubscribe);
    mosquitto_message_callback_set(client, onMessage);
    const int rc = configure(client, settings);
    if (rc != MOSQ_ERR_SUCCESS) {
        mqtt.failure = message(MessageId::mqttSettingsRefused, {quoted(mosquitto_strerror(rc))});
        mosquitto_destroy(client);
        return nullptr;
    }
    return client;
}

void readStop(bool& stopping, Clock::time_point& deadline)
{
    std::lock_guard<std::mutex> guard(mqtt.lock);
    stopping = mqtt.stopping;
    deadline = mqtt.stopDeadline;
}

// The DISCONNECT after the confirmed last message, which tells the broker to drop the will.
void disconnect(mosquitto* client, Clock::time_point deadline)
{
    mosquitto_disconnect(client);
    while (mosquitto_socket(client) >= 0 && mosquitto_want_write(client) && Clock::now() < deadline) {
        mqttSystemWait(mosquitto_socket(client), true, std::min(msUntil(deadline), pollMs));
        if (mosquitto_loop(client, 0, 1) != MOSQ_ERR_SUCCESS) break;
    }
}

// The connection's life after its start, until it ends, fails or the stop's time is up.
void runLoop(mosquitto* client, Clock::time_point started)
{
    for (;;) {
        handOver(client);
        if (mqtt.recoveryDue) sayRecovery();
        sayFirstDrop();
        bool stopping = false;
        Clock::time_point deadline;
        readStop(stopping, deadline);
        if (stopping) {
            // A connection still being made may yet take the final message; one that ended cannot.
            if ((mqtt.accepted && !mqtt.connected) || Clock::now() >= deadline) return;
            // One that stands aside leaves without a word, and without its will.
            if (mqtt.lastAcknowledged || (claimsName() && !mqtt.holding)) return disconnect(client, deadline);
        }
        if (!mqtt.connected && Clock::now() - started >= answerTimeout) {
            mqtt.failure = message(MessageId::mqttNoAnswer, {std::to_string(answerTimeout.count())});
            return;
        }
        mqttSystemWait(mosquitto_socket(client), mosquitto_want_write(client),
                       stopping ? std::min(msUntil(deadline), pollMs) : pollMs);
        const int rc = mosquitto_loop(client, 0, 1);
        const int error = errno;
        if (rc != MOSQ_ERR_SUCCESS || mosquitto_socket(client) < 0) {
            if (mqtt.failure.empty()) mqtt.failure = reasonOf(rc == MOSQ_ERR_SUCCESS ? MOSQ_ERR_CONN_LOST : rc, error);
            return;
        }
    }
}

// One attempt and the connection it makes; true when that connection was good.
bool runConnection()
{
    mqtt.failure = {};
    mqtt.tlsReason = {};
    mqtt.tlsReasonKnown = false;
    mqtt.connected = false;
    mqtt.accepted = false;
    mqtt.connectSent = false;
    mqtt.connectLeft = 0;
    mqtt.lastAcknowledged = false;
    mqtt.holding = false;
    mqtt.probeReturned = false;
    mqtt.probedAt = {};
    mqtt.answeredBy.clear();
    mqtt.subscribeDue = mqtt.probeDue = mqtt.answerDue = mqtt.onlineDue = false;
    mosquitto* client = newClient();
    if (client == nullptr) {
        noteFailure(mqtt.failure.empty() ? message(MessageId::mqttNoClient) : mqtt.failure);
        return false;
    }
    const Clock::time_point started = Clock::now();
    // The name is looked up here, which may take long.
    const int rc = mosquitto_connect_async(client, mqtt.settings.host.c_str(), mqtt.settings.port, keepAliveSeconds);
    const int error = errno;
    if (mqtt.abandoned) park();
    if (rc == MOSQ_ERR_SUCCESS)
        runLoop(client, started);
    else if (mqtt.failure.empty())
        mqtt.failure = reasonOf(rc, error);
    const bool good = mqtt.connectSent && mqtt.connectLeft == 0 && Clock::now() - mqtt.connectedAt >= goodAfter;
    takeBack();
    if (mqtt.abandoned) park();
    // Without a DISCONNECT sent before, the socket closes without one: the broker publishes the will.
    mosquitto_destroy(client);
    mqtt.connected = false;
    bool stopping = false;
    Clock::time_point deadline;
    readStop(stopping, deadline);
    // At the end, only why the broker was never reached: anything later was said as it came.
    if ((!stopping || !mqtt.everAccepted) && !mqtt.failure.empty()) noteFailure(mqtt.failure);
    return good;
}

// False when the stop came meanwhile.
bool backOff(Clock::duration pause)
{
    const Clock::time_point until = Clock::now() + pause;
    for (;;) {
        bool stopping = false;
        Clock::time_point deadline;
        readStop(stopping, deadline);
        if (stopping) return false;
        if (Clock::now() >= until) return true;
        mqttSystemWait(-1, false, std::min(msUntil(until), pollMs));
        sayFirstDrop();
    }
}

void runNetwork()
{
    Clock::duration pause = backOffFirst;
    while (true) {
        if (runConnection()) pause = backOffFirst;
        if (!backOff(pause)) break;
        pause = std::min<Clock::duration>(pause * 2, backOffLast);
    }
    if (mqtt.refused > 1) say(MessageId::mqttRefusedInAll, {std::to_string(mqtt.refused)});
    std::lock_guard<std::mutex> guard(mqtt.lock);
    mqtt.finished = true;
    mqtt.finishedChanged.notify_all();
}

// Tests set a small bound here rather than wait for 10,000 rows.
std::size_t queueLimitFromEnvironment(std::size_t limit)
{
    const char* text = std::getenv("AVRNETIO_MQTT_QUEUE_LIMIT");
    if (text == nullptr) return limit;
    const std::string_view value = text;
    std::size_t parsed = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    return error == std::errc{} && end == value.data() + value.size() && parsed > 0 ? std::min(parsed, limit) : limit;
}

// The name check's own connection: the same questions as a start's, with no answers of its own.
struct NameCheck {
    const MqttSettings* settings = nullptr;
    MqttNameCheck result;
    int refusal = -1;
    bool subscribeDue = false;
    bool probeDue = false;
    bool returned = false;
    Clock::time_point returnedAt;
};

void onCheckConnect(mosquitto*, void* data, int rc)
{
    auto& check = *static_cast<NameCheck*>(data);
    check.refusal = rc;
    check.subscribeDue = rc == 0;
}

void onCheckSubscribe(mosquitto*, void* data, int, int, const int*) { static_cast<NameCheck*>(data)->probeDue = true; }

// Outside the callbacks, as for the logger's own connection.
void answerCheck(mosquitto* client, NameCheck& check)
{
    const MqttSettings& settings = *check.settings;
    if (std::exchange(check.subscribeDue, false)) {
        char* topics[] = {const_cast<char*>(settings.ownerTopic.c_str()), const_cast<char*>(settings.probeTopic.c_str())};
        mosquitto_subscribe_multiple(client, nullptr, 2, topics, 1, 0, nullptr);
    }
    if (std::exchange(check.probeDue, false))
        mosquitto_publish(client, nullptr, settings.probeTopic.c_str(), static_cast<int>(settings.clientId.size()),
                          settings.clientId.data(), 1, false);
}

void onCheckMessage(mosquitto*, void* data, const mosquitto_message* message)
{
    auto& check = *static_cast<NameCheck*>(data);
    const std::string payload(static_cast<const char*>(message->payload), static_cast<std::size_t>(message->payloadlen));
    if (message->topic == check.settings->probeTopic && payload == check.settings->clientId) {
        check.returned = true;
        check.returnedAt = Clock::now();
    } else if (message->topic == check.settings->ownerTopic && !message->retain && !payload.empty() &&
               payload != check.settings->clientId) {
        check.result.state = MqttNameState::held;
        check.result.holder = payload;
    }
}

}  // namespace

MqttNameCheck mqttCheckName(const MqttSettings& settings, int timeoutMs)
{
    mosquitto_lib_init();
    NameCheck check;
    check.settings = &settings;
    const Clock::time_point deadline = Clock::now() + milliseconds(timeoutMs);
    mosquitto* client = mosquitto_new(settings.clientId.c_str(), true, &check);
    int rc = client == nullptr ? MOSQ_ERR_NOMEM : configure(client, settings);
    if (rc == MOSQ_ERR_SUCCESS) {
        mosquitto_connect_callback_set(client, onCheckConnect);
        mosquitto_subscribe_callback_set(client, onCheckSubscribe);
        mosquitto_message_callback_set(client, onCheckMessage);
        rc = mosquitto_connect(client, settings.host.c_str(), settings.port, keepAliveSeconds);
    }
    int error = errno;
    while (rc == MOSQ_ERR_SUCCESS && check.refusal <= 0 && check.result.state != MqttNameState::held &&
           !(check.returned && Clock::now() - check.returnedAt >= answerWait) && Clock::now() < deadline) {
        rc = mosquitto_loop(client, std::min(msUntil(deadline), 100), 1);
        error = errno;
        if (rc == MOSQ_ERR_SUCCESS) answerCheck(client, check);
    }
    if (check.result.state != MqttNameState::held) {
        if (check.returned) check.result.state = MqttNameState::free;
        else if (check.refusal > 0) check.result.reason = quoted(mosquitto_connack_string(check.refusal));
        else if (rc == MOSQ_ERR_ERRNO) check.result.reason = quoted(mqttSystemErrorText(error));
        else if (rc != MOSQ_ERR_SUCCESS) check.result.reason = quoted(mosquitto_strerror(rc));
        else check.result.reason = message(MessageId::mqttNoAnswerWithin, {std::to_string(timeoutMs / 1000)});
    }
    if (client != nullptr) {
        mosquitto_disconnect(client);
        mosquitto_destroy(client);
    }
    mosquitto_lib_cleanup();
    return check.result;
}

bool mqttStart(const MqttSettings& settings)
{
    mosquitto_lib_init();
    mqtt.settings = settings;
    mqtt.settings.queueLimit = queueLimitFromEnvironment(settings.queueLimit);
    mqtt.where = settings.host + ":" + std::to_string(settings.port);
    setStatus(MessageId::mqttStatusConnecting, {quoted(mqtt.where)});
    std::string error;
    if (!mqttSystemStart(error)) {
        say(MessageId::mqttCannotStart, {quoted(error)});
        return false;
    }
    if (!mqttSystemStartThread(mqtt.thread, runNetwork, error)) {
        say(MessageId::mqttNoThread, {quoted(error)});
        return false;
    }
    return true;
}

void mqttAddConnectMessage(const std::string& topic, const std::string& payload)
{
    mqtt.connectMessages.push_back({topic, payload, Kind::connect});
}

void mqttPublish(const std::string& topic, const std::string& payload)
{
    {
        std::lock_guard<std::mutex> guard(mqtt.lock);
        if (!mqtt.thread.joinable() || mqtt.stopping) return;
        if (!makeRoom(1)) {
            ++mqtt.dropped;
            return;
        }
        mqtt.waiting.push_back({topic, payload, Kind::row});
    }
    mqttSystemWake();
}

void mqttPublishLatest(const std::string& topic, const std::string& payload)
{
    {
        std::lock_guard<std::mutex> guard(mqtt.lock);
        if (!mqtt.thread.joinable() || mqtt.stopping) return;
        mqtt.latest = Message{topic, payload, Kind::latest};
    }
    mqttSystemWake();
}

MqttStatus mqttStatus()
{
    std::lock_guard<std::mutex> guard(mqtt.lock);
    return mqtt.status;
}

bool mqttStop(const std::string& topic, const std::string& payload, int timeoutMs)
{
    if (!mqtt.thread.joinable()) return false;
    const Clock::time_point deadline = Clock::now() + milliseconds(timeoutMs);
    bool finished = false;
    {
        std::unique_lock<std::mutex> guard(mqtt.lock);
        mqtt.stopping = true;
        mqtt.stopDeadline = deadline - closingTime;
        makeRoom(1);
        mqtt.waiting.push_back({topic, payload, Kind::last});
        mqttSystemWake();
        finished = mqtt.finishedChanged.wait_until(guard, deadline, [] { return mqtt.finished; });
    }
    if (finished) {
        mqtt.thread.join();
        mosquitto_lib_cleanup();
        return mqtt.lastAcknowledged;
    }
    // Stuck in a name lookup or a write to standard error: left to the process's end.
    mqtt.abandoned = true;
    mqtt.thread.detach();
    return false;
}

}  // namespace platform
