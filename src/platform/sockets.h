// Socket service: one blocking TCP stream to the board, one send and one bounded receive at a time.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Opaque connection; null means no connection.
struct NetSocket;

// Starts the socket service; false when it cannot be started.
bool netStart();
// Stops the socket service, dropping any socket still open.
void netStop();

// Why a connect failed, for the settings window's connection test.
enum class NetFailure { none, unresolved, refused, timedOut, other };

// Resolves host (dotted address used directly, else the first address of a name lookup)
// and connects, giving up after timeoutMs. Null on failure, and then why in failure if given.
NetSocket* netConnect(const std::string& host, int port, int timeoutMs, NetFailure* failure = nullptr);

// Sends all bytes in one call; never raises a signal on a broken connection.
// False when the connection is closed, reset or failed.
bool netSend(NetSocket* socket, const char* data, std::size_t size);

struct NetReceive {
    std::size_t size = 0;  // bytes delivered into the buffer
    bool broken = false;   // closed by the peer, reset or failed; a mere time-out is not broken
};

// One receive of at most limit bytes, waiting at most timeoutMs for the first byte.
NetReceive netReceive(NetSocket* socket, char* buffer, std::size_t limit, int timeoutMs);

void netClose(NetSocket* socket);

}  // namespace platform
