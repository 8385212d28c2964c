// Socket service on POSIX: blocking IPv4 TCP streams whose connect and receive are bounded by poll.
#include "platform/sockets.h"
#include "platform/posix/interrupted.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

struct NetSocket {
    int fd = -1;
};

namespace {

using Clock = std::chrono::steady_clock;

// Every socket handed out and not yet closed, so that netStop can release what is left.
struct SocketsData {
    std::vector<NetSocket*> open;
};
SocketsData sockets;

// Waits for events on fd until the deadline; a signal does not end the wait early.
// Returns the events seen, 0 on time-out, POLLNVAL when the wait itself fails.
short waitFor(int fd, short events, Clock::time_point deadline)
{
    pollfd entry{fd, events, 0};
    const int ready = retryInterrupted([&] { return poll(&entry, 1, msUntil(deadline)); });
    return ready > 0 ? entry.revents : ready == 0 ? 0 : POLLNVAL;
}

// A dotted address is used as it is; anything else goes to the name lookup.
bool resolve(const std::string& host, in_addr& address)
{
    if (inet_pton(AF_INET, host.c_str(), &address) != 1) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
        address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
        freeaddrinfo(found);
    }
    return address.s_addr != htonl(INADDR_NONE);
}

bool setBlocking(int fd, bool blocking)
{
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    flags = blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK;
    return fcntl(fd, F_SETFL, flags) == 0;
}

NetFailure failureOf(int error)
{
    return error == ECONNREFUSED ? NetFailure::refused : error == ETIMEDOUT ? NetFailure::timedOut : NetFailure::other;
}

NetFailure connectWithin(int fd, const sockaddr_in& target, int timeoutMs)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!setBlocking(fd, false)) return NetFailure::other;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        // An interrupted connect goes on like one in progress: waited for, never called again.
        if (errno != EINPROGRESS && errno != EINTR) return failureOf(errno);
        short events = waitFor(fd, POLLOUT, deadline);
        if (events == 0) return NetFailure::timedOut;
        if ((events & POLLNVAL) != 0) return NetFailure::other;
        int failure = 0;
        socklen_t size = sizeof failure;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size) != 0) return NetFailure::other;
        if (failure != 0) return failureOf(failure);
    }
    return setBlocking(fd, true) ? NetFailure::none : NetFailure::other;
}

}  // namespace

bool netStart()
{
    return true;
}

void netStop()
{
    for (NetSocket* socket : sockets.open) {
        close(socket->fd);
        delete socket;
    }
    sockets.open.clear();
}

NetSocket* netConnect(const std::string& host, int port, int timeoutMs, NetFailure* failure)
{
    NetFailure ignored = NetFailure::none;
    NetFailure& why = failure ? *failure : ignored;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    why = NetFailure::unresolved;
    if (port < 0 || port > 65535 || !resolve(host, target.sin_addr)) return nullptr;
    target.sin_port = htons(static_cast<std::uint16_t>(port));

    why = NetFailure::other;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    why = connectWithin(fd, target, timeoutMs);
    if (why != NetFailure::none) {
        close(fd);
        return nullptr;
    }
    auto* opened = new NetSocket{fd};
    sockets.open.push_back(opened);
    return opened;
}

bool netSend(NetSocket* socket, const char* data, std::size_t size)
{
    if (socket == nullptr) return false;
    const ssize_t sent = retryInterrupted([&] { return send(socket->fd, data, size, MSG_NOSIGNAL); });
    return sent >= 0 && static_cast<std::size_t>(sent) == size;
}

NetReceive netReceive(NetSocket* socket, char* buffer, std::size_t limit, int timeoutMs)
{
    if (socket == nullptr) return {0, true};
    if (limit == 0) return {};
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        short events = waitFor(socket->fd, POLLIN, deadline);
        if (events == 0) return {};
        if ((events & POLLNVAL) != 0) return {0, true};
        // Readiness is only a hint; a receive that would block goes back to waiting.
        const ssize_t got = retryInterrupted([&] { return recv(socket->fd, buffer, limit, MSG_DONTWAIT); });
        if (got > 0) return {static_cast<std::size_t>(got), false};
        if (got == 0) return {0, true};
        if (errno != EAGAIN && errno != EWOULDBLOCK) return {0, true};
        if (Clock::now() >= deadline) return {};
    }
}

void netClose(NetSocket* socket)
{
    if (socket == nullptr) return;
    std::erase(sockets.open, socket);
    close(socket->fd);
    delete socket;
}

}  // namespace platform
