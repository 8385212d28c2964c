// The MQTT client service's POSIX side: a pipe wakes the network thread's poll, which blocks the
// termination signals, messages go straight to standard error, and OpenSSL's own default paths
// hold the system's roots.
#include "platform/MqttSystem.h"
#include "platform/mqtt.h"
#include "platform/posix/interrupted.h"

#include <fcntl.h>
#include <mosquitto.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <system_error>

namespace platform {

namespace {

struct PosixMqtt {
    int wake[2] = {-1, -1};  // a byte in wake[1] ends the network thread's wait
};

PosixMqtt posixMqtt;

}  // namespace

bool mqttSystemStart(std::string& error)
{
    if (::pipe2(posixMqtt.wake, O_NONBLOCK | O_CLOEXEC) == 0) return true;
    error = std::system_category().message(errno);
    return false;
}

bool mqttSystemStartThread(std::thread& thread, void (*run)(), std::string& error)
{
    // The network thread takes no termination signal, so that those still end the driver's wait,
    // and a write to a closed connection raises no SIGPIPE.
    sigset_t blocked;
    sigset_t previous;
    sigemptyset(&blocked);
    for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGQUIT}) sigaddset(&blocked, signal);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    bool started = true;
    try {
        thread = std::thread(run);
    } catch (const std::system_error& failure) {
        error = failure.what();
        started = false;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return started;
}

void mqttSystemWake()
{
    const char byte = 0;
    // A full pipe wakes the thread just the same.
    [[maybe_unused]] const ssize_t written = ::write(posixMqtt.wake[1], &byte, 1);
}

void mqttSystemWait(int socket, bool wantWrite, int timeoutMs)
{
    const short events = POLLIN | (wantWrite ? POLLOUT : 0);
    pollfd fds[] = {{posixMqtt.wake[0], POLLIN, 0}, {socket, events, 0}};
    ::poll(fds, socket < 0 ? 1 : 2, timeoutMs);
    char bytes[64];
    while (::read(posixMqtt.wake[0], bytes, sizeof bytes) > 0) {
    }
}

// Straight to the descriptor: a stdio lock held by a write that blocks would also hold up the
// process's end.
void mqttSystemSay(const std::string& text) { writeAll(STDERR_FILENO, text); }

std::string mqttSystemErrorText(int error) { return std::system_category().message(error); }

int mqttSystemUseRoots(mosquitto* client, const std::string&)
{
    return mosquitto_int_option(client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
}

bool mqttPasswordStoreExists() { return false; }
std::optional<std::string> mqttPasswordStored(const std::string&) { return std::nullopt; }
bool mqttPasswordStore(const std::string&, const std::string&) { return false; }
bool mqttPasswordRemove(const std::string&) { return true; }

}  // namespace platform
