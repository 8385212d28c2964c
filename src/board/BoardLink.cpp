// The board connection: one send and one bounded read per command, and the start-up information queries.
#include "board/BoardLink.h"

#include "driver/LoggerState.h"
#include "platform/sockets.h"

namespace {

// The board takes "\r\n" as four literal characters (backslash, r, backslash, n), never CR LF.
constexpr std::string_view versionCommand = "Version \\r\\n";
constexpr std::string_view ipCommand = "Getip \\r\\n";
constexpr std::string_view gatewayCommand = "Getgw \\r\\n";
constexpr std::string_view maskCommand = "Getmask \\r\\n";

// stopNetwork only undoes a start that succeeded.
bool networkStarted = false;

}  // namespace

bool startNetwork()
{
    networkStarted = platform::netStart();
    return networkStarted;
}

platform::NetSocket* openConnection(const std::string& host, int port)
{
    return platform::netConnect(host, port, connectTimeoutMs);
}

std::string query(platform::NetSocket* connection, std::string_view command, std::span<char> buffer)
{
    if (connection == nullptr) return {};
    platform::netSend(connection, command.data(), command.size());
    platform::NetReceive received =
        platform::netReceive(connection, buffer.data(), buffer.size(), readTimeoutMs);
    // Only what this read delivered counts: the buffer still holds older replies beyond it.
    std::string_view reply(buffer.data(), received.size);
    return std::string(reply.substr(0, reply.find('\0')));
}

void closeConnection(platform::NetSocket* connection)
{
    platform::netClose(connection);
}

void stopNetwork()
{
    if (!networkStarted) return;
    platform::netStop();
    networkStarted = false;
}

void readBoardInfo(LoggerState& state)
{
    state.boardVersion = query(state.connection, versionCommand, state.versionReplyBuffer);
    state.boardIp = query(state.connection, ipCommand, state.ipReplyBuffer);
    state.boardGateway = query(state.connection, gatewayCommand, state.gatewayReplyBuffer);
    state.boardMask = query(state.connection, maskCommand, state.maskReplyBuffer);
}
