// Socket service on Windows: Windows Sockets 1.1 (wsock32), blocking TCP streams whose connect
// and receive are bounded by select.
// Keeps windows.h from defining min and max as macros; must precede every system header.
#define NOMINMAX

#include "platform/sockets.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include <winsock.h>

namespace platform {

struct NetSocket {
    SOCKET handle = INVALID_SOCKET;
};

namespace {

// Every socket handed out and not yet closed, so that netStop can release what is left.
struct SocketsData {
    std::vector<NetSocket*> open;
};
SocketsData sockets;

timeval timeLimit(int timeoutMs)
{
    timeoutMs = std::max(timeoutMs, 0);
    return {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
}

// A dotted address is used as it is; anything else goes to the name lookup.
bool resolve(const std::string& host, in_addr& address)
{
    if (host.empty()) return false;
    address.s_addr = inet_addr(host.c_str());
    if (address.s_addr == INADDR_NONE) {
        const hostent* found = gethostbyname(host.c_str());
        if (found == nullptr || found->h_addrtype != AF_INET || found->h_length != sizeof address ||
            found->h_addr_list[0] == nullptr)
            return false;
        std::copy_n(found->h_addr_list[0], sizeof address, reinterpret_cast<char*>(&address));
    }
    return address.s_addr != INADDR_NONE;
}

bool setBlocking(SOCKET handle, bool blocking)
{
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(handle, FIONBIO, &nonBlocking) == 0;
}

NetFailure failureOf(int error)
{
    return error == WSAECONNREFUSED ? NetFailure::refused : error == WSAETIMEDOUT ? NetFailure::timedOut
                                                                                : NetFailure::other;
}

NetFailure connectWithin(SOCKET handle, const sockaddr_in& target, int timeoutMs)
{
    if (!setBlocking(handle, false)) return NetFailure::other;
    if (connect(handle, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) return failureOf(WSAGetLastError());
        // A refused connect shows in the exception set, a made one in the write set.
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(handle, &writable);
        FD_SET(handle, &failed);
        timeval limit = timeLimit(timeoutMs);
        const int ready = select(0, nullptr, &writable, &failed, &limit);
        if (ready == 0) return NetFailure::timedOut;
        if (ready < 0) return NetFailure::other;
        int failure = 0;
        int size = sizeof failure;
        if (getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &size) != 0)
            return NetFailure::other;
        if (FD_ISSET(handle, &failed) || !FD_ISSET(handle, &writable) || failure != 0)
            return failure != 0 ? failureOf(failure) : NetFailure::other;
    }
    return setBlocking(handle, true) ? NetFailure::none : NetFailure::other;
}

}  // namespace

bool netStart()
{
    WSADATA data{};
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void netStop()
{
    for (NetSocket* socket : sockets.open) {
        closesocket(socket->handle);
        delete socket;
    }
    sockets.open.clear();
    WSACleanup();
}

NetSocket* netConnect(const std::string& host, int port, int timeoutMs, NetFailure* failure)
{
    NetFailure ignored = NetFailure::none;
    NetFailure& why = failure ? *failure : ignored;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    why = NetFailure::unresolved;
    if (port < 0 || port > 65535 || !resolve(host, target.sin_addr)) return nullptr;
    target.sin_port = htons(static_cast<u_short>(port));

    why = NetFailure::other;
    SOCKET handle = socket(AF_INET, SOCK_STREAM, 0);
    if (handle == INVALID_SOCKET) return nullptr;
    why = connectWithin(handle, target, timeoutMs);
    if (why != NetFailure::none) {
        closesocket(handle);
        return nullptr;
    }
    auto* opened = new NetSocket{handle};
    sockets.open.push_back(opened);
    return opened;
}

bool netSend(NetSocket* socket, const char* data, std::size_t size)
{
    if (socket == nullptr || size > INT_MAX) return false;
    // Windows raises no signal on a broken connection, so a plain send is enough.
    int sent = send(socket->handle, data, static_cast<int>(size), 0);
    return sent != SOCKET_ERROR && static_cast<std::size_t>(sent) == size;
}

NetReceive netReceive(NetSocket* socket, char* buffer, std::size_t limit, int timeoutMs)
{
    if (socket == nullptr) return {0, true};
    if (limit == 0) return {};
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket->handle, &readable);
    timeval wait = timeLimit(timeoutMs);
    int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready == 0) return {};
    if (ready == SOCKET_ERROR) return {0, true};
    int got = recv(socket->handle, buffer, static_cast<int>(std::min<std::size_t>(limit, INT_MAX)), 0);
    // Zero bytes is the peer's orderly close.
    if (got == SOCKET_ERROR || got == 0) return {0, true};
    return {static_cast<std::size_t>(got), false};
}

void netClose(NetSocket* socket)
{
    if (socket == nullptr) return;
    std::erase(sockets.open, socket);
    closesocket(socket->handle);
    delete socket;
}

}  // namespace platform
