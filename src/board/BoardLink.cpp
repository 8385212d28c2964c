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

struct LinkState {
    bool networkStarted = false;  // stopNetwork only undoes a start that succeeded
    bool broken = false;          // an exchange found the connection closed, reset or failed
};
LinkState link;

}  // namespace

bool startNetwork()
{
    if (!link.networkStarted) link.networkStarted = platform::netStart();
    return link.networkStarted;
}

platform::NetSocket* openConnection(const std::string& host, int port)
{
    platform::NetSocket* connection = platform::netConnect(host, port, connectTimeoutMs);
    link.broken = connection == nullptr;
    return connection;
}

std::string query(platform::NetSocket* connection, std::string_view command, std::span<char> buffer)
{
    if (connection == nullptr) return {};
    if (!platform::netSend(connection, command.data(), command.size())) link.broken = true;
    platform::NetReceive received =
        platform::netReceive(connection, buffer.data(), buffer.size(), readTimeoutMs);
    if (received.broken) link.broken = true;
    // Only what this read delivered counts: the buffer still holds older replies beyond it.
    std::string_view reply(buffer.data(), received.size);
    return std::string(reply.substr(0, reply.find('\0')));
}

void reconnectIfBroken(LoggerState& state)
{
    if (!link.broken) return;
    // Without this, a board switched off and on again would leave every later row empty.
    closeConnection(state.connection);
    state.connection = platform::netConnect(state.settings.boardHost, state.settings.boardPort, reconnectTimeoutMs);
    link.broken = state.connection == nullptr;
}

void closeConnection(platform::NetSocket* connection)
{
    platform::netClose(connection);
}

void stopNetwork()
{
    if (!link.networkStarted) return;
    platform::netStop();
    link = LinkState{};
}

void readBoardInfo(LoggerState& state)
{
    state.boardVersion = query(state.connection, versionCommand, state.versionReplyBuffer);
    state.boardIp = query(state.connection, ipCommand, state.ipReplyBuffer);
    state.boardGateway = query(state.connection, gatewayCommand, state.gatewayReplyBuffer);
    state.boardMask = query(state.connection, maskCommand, state.maskReplyBuffer);
}
