// The one TCP connection to the board and its exchange: one command, one read.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace platform {
struct NetSocket;
}

struct LoggerState;

// A connect attempt gives up after this long.
inline constexpr int connectTimeoutMs = 10000;
// One read gives up after this long without data and yields an empty reply text.
inline constexpr int readTimeoutMs = 2000;
// A reconnection attempt during the run gives up after this long.
inline constexpr int reconnectTimeoutMs = 2000;

// Starts the socket service once; stopNetwork stops it where it started.
bool startNetwork();
platform::NetSocket* openConnection(const std::string& host, int port);

// Sends the command's bytes in one call, then reads once into buffer (its size is the read limit).
// The reply text is what that read delivered, up to the first NUL; empty when nothing came.
std::string query(platform::NetSocket* connection, std::string_view command, std::span<char> buffer);

// When an exchange found the connection closed, reset or failed, makes one attempt to connect
// again to boardHost and boardPort; a read that merely timed out does not count.
void reconnectIfBroken(LoggerState& state);

void closeConnection(platform::NetSocket* connection);
void stopNetwork();

// The four information queries of start-up, in board order, into boardVersion, boardIp,
// boardGateway and boardMask.
void readBoardInfo(LoggerState& state);
