// Tests of the board connection against the board simulator on loopback: the exact command bytes,
// the one-read reply rule, a closed or silent board, and the connect path.
#include "board/BoardLink.h"
#include "driver/LoggerState.h"
#include "platform/posix/interrupted.h"
#include "platform/sockets.h"

#include "BoardSim.h"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <chrono>
#include <limits>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Starts a simulator and connects to it; both end with the fixture.
struct BoardLinkTest : testing::Test {
    BoardSim sim;
    platform::NetSocket* connection = nullptr;

    void connect(const BoardSimConfig& config, const std::string& host = "127.0.0.1")
    {
        int port = boardSimStart(sim, config);
        ASSERT_NE(port, 0);
        connection = openConnection(host, port);
        ASSERT_NE(connection, nullptr);
    }
    void TearDown() override
    {
        closeConnection(connection);
        boardSimStop(sim);
    }
};

std::string ask(platform::NetSocket* connection, std::string_view command)
{
    std::array<char, 100> buffer{};
    return query(connection, command, buffer);
}

struct WireCase {
    const char* command;
    std::size_t size;
};

// The information commands first, in the order readBoardInfo sends them.
const WireCase wireCases[] = {
    {"Version \\r\\n", 12},   {"Getip \\r\\n", 10},     {"Getgw \\r\\n", 10},     {"Getmask \\r\\n", 12},
    {"GETADC 1 \\r\\n", 13},  {"GETADC 2 \\r\\n", 13},  {"GETADC 3 \\r\\n", 13},  {"GETADC 4 \\r\\n", 13},
    {"GETPORT 1 \\r\\n", 14}, {"GETPORT 2 \\r\\n", 14}, {"GETPORT 3 \\r\\n", 14}, {"GETPORT 4 \\r\\n", 14},
};

void expectWireForm(const std::string& sent, std::size_t size)
{
    EXPECT_EQ(sent.size(), size) << sent;
    EXPECT_EQ(sent.substr(sent.size() - 4), "\x5C\x72\x5C\x6E") << sent;
    EXPECT_EQ(sent.find_first_of(std::string("\r\n\0", 3)), std::string::npos) << sent;
}

TEST_F(BoardLinkTest, SendsEachCommandsExactBytesAndNothingElse)
{
    connect({});
    std::string all;
    for (const WireCase& wire : wireCases) {
        ask(connection, wire.command);
        ASSERT_FALSE(boardSimCommands(sim).empty());
        EXPECT_EQ(boardSimCommands(sim).back(), wire.command);
        expectWireForm(boardSimCommands(sim).back(), wire.size);
        all += wire.command;
    }
    EXPECT_EQ(boardSimReceived(sim), all);
}

TEST_F(BoardLinkTest, ReadBoardInfoFillsTheFourFieldsInOrder)
{
    std::string version(198, 'V');
    version += "\r\n";
    BoardSimConfig config;
    config.replies = {{"Version \\r\\n", {version}},
                      {"Getip \\r\\n", {"192.0.2.90\r\n"}},
                      {"Getgw \\r\\n", {"192.0.2.1\r\n"}},
                      {"Getmask \\r\\n", {"255.255.255.0\r\n"}}};
    connect(config);
    LoggerState state;
    state.connection = connection;
    readBoardInfo(state);

    EXPECT_EQ(state.boardVersion, version);
    EXPECT_EQ(state.boardIp, "192.0.2.90\r\n");
    EXPECT_EQ(state.boardGateway, "192.0.2.1\r\n");
    EXPECT_EQ(state.boardMask, "255.255.255.0\r\n");
    std::vector<std::string> sent = boardSimCommands(sim);
    ASSERT_EQ(sent.size(), 4u);
    std::string all;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i], wireCases[i].command);
        expectWireForm(sent[i], wireCases[i].size);
        all += wireCases[i].command;
    }
    EXPECT_EQ(boardSimReceived(sim), all);
}

struct Exchange {
    const char* command;
    std::string reply;  // expected reply text, or its start when wholeReply is false
    bool wholeReply = true;
};

struct ReplyCase {
    const char* name;
    std::map<std::string, std::vector<std::string>> replies;
    std::vector<Exchange> exchanges;
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const ReplyCase& replyCase, std::ostream* out)
{
    *out << replyCase.name;
}

const std::string digits150 = [] {
    std::string text;
    for (int i = 0; i < 150; ++i) text += static_cast<char>('0' + i % 10);
    return text;
}();

const ReplyCase replyCases[] = {
    {"LineEndStaysInTheText", {{"GETADC 1 \\r\\n", {"1023\r\n"}}}, {{"GETADC 1 \\r\\n", "1023\r\n"}}},
    {"TextEndsAtTheFirstNul",
     {{"GETADC 1 \\r\\n", {std::string("12\0" "3\r\n", 6)}}},
     {{"GETADC 1 \\r\\n", "12"}}},
    {"ShortReplyAfterLongHoldsNoOlderBytes",
     {{"GETADC 1 \\r\\n", {std::string(90, '9') + "\r\n"}}, {"GETADC 2 \\r\\n", {"7\r\n"}}},
     {{"GETADC 1 \\r\\n", std::string(90, '9') + "\r\n"}, {"GETADC 2 \\r\\n", "7\r\n"}}},
    {"BytesBeyondTheLimitStartTheNextReply",
     {{"GETADC 1 \\r\\n", {digits150}}, {"GETADC 2 \\r\\n", {"512\r\n"}}},
     {{"GETADC 1 \\r\\n", digits150.substr(0, 100)}, {"GETADC 2 \\r\\n", digits150.substr(100), false}}},
    {"LaterPiecesStartTheNextReply",
     {{"GETADC 1 \\r\\n", {"10", "23\r\n"}}, {"GETADC 2 \\r\\n", {"512\r\n"}}},
     {{"GETADC 1 \\r\\n", "10"}, {"GETADC 2 \\r\\n", "23\r\n", false}}},
};

struct BoardLinkReplies : BoardLinkTest, testing::WithParamInterface<ReplyCase> {};

TEST_P(BoardLinkReplies, OneReadMakesOneReply)
{
    BoardSimConfig config;
    config.replies = GetParam().replies;
    connect(config);
    std::array<char, 100> buffer{};
    for (const Exchange& exchange : GetParam().exchanges) {
        std::string reply = query(connection, exchange.command, buffer);
        if (exchange.wholeReply) {
            EXPECT_EQ(reply, exchange.reply) << exchange.command;
        } else {
            EXPECT_EQ(reply.substr(0, exchange.reply.size()), exchange.reply) << exchange.command;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BoardLinkReplies, testing::ValuesIn(replyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BoardLinkTest, AfterTheBoardClosedEveryReplyIsEmpty)
{
    BoardSimConfig config;
    config.closeAfterCommands = 1;
    config.replies = {{"GETADC 1 \\r\\n", {"512\r\n"}}};
    connect(config);
    EXPECT_EQ(ask(connection, "GETADC 1 \\r\\n"), "512\r\n");
    // Several cycles of sends into the dead connection: a SIGPIPE would end the test program here.
    for (int cycle = 0; cycle < 3; ++cycle) {
        for (std::size_t i = 4; i < std::size(wireCases); ++i) {
            EXPECT_EQ(ask(connection, wireCases[i].command), "") << wireCases[i].command;
        }
    }
    EXPECT_EQ(ask(nullptr, "GETADC 1 \\r\\n"), "");
}

TEST_F(BoardLinkTest, SilentBoardGivesAnEmptyReplyAfterTheReadBound)
{
    BoardSimConfig config;
    config.silent = true;
    connect(config);
    auto start = Clock::now();
    EXPECT_EQ(ask(connection, "GETADC 1 \\r\\n"), "");
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(waited, 1500);
    EXPECT_LE(waited, 3000);
    EXPECT_EQ(boardSimCommands(sim), std::vector<std::string>{"GETADC 1 \\r\\n"});
}

TEST_F(BoardLinkTest, ReceiveTellsATimeOutFromAClosedConnection)
{
    BoardSimConfig config;
    config.silent = true;
    config.closeAfterCommands = 2;
    connect(config);
    std::array<char, 100> buffer{};
    ASSERT_TRUE(platform::netSend(connection, "GETADC 1 \\r\\n", 13));
    platform::NetReceive timedOut = platform::netReceive(connection, buffer.data(), buffer.size(), 100);
    EXPECT_EQ(timedOut.size, 0u);
    EXPECT_FALSE(timedOut.broken);
    ASSERT_TRUE(platform::netSend(connection, "GETADC 2 \\r\\n", 13));
    platform::NetReceive closed = platform::netReceive(connection, buffer.data(), buffer.size(), 2000);
    EXPECT_EQ(closed.size, 0u);
    EXPECT_TRUE(closed.broken);
}

struct ConnectCase {
    const char* host;
    bool opens;
};

const ConnectCase connectCases[] = {
    {"127.0.0.1", true},
    {"localhost", true},  // by name lookup
    {"255.255.255.255", false},
};

TEST(BoardLinkConnect, ResolvesDottedAddressesAndNames)
{
    BoardSim sim;
    int port = boardSimStart(sim, {});
    ASSERT_NE(port, 0);
    for (const ConnectCase& target : connectCases) {
        platform::NetSocket* connection = openConnection(target.host, port);
        EXPECT_EQ(connection != nullptr, target.opens) << target.host;
        if (connection != nullptr) {
            std::string reply = ask(connection, "Getip \\r\\n");
            EXPECT_EQ(reply, "192.0.2.90\r\n") << target.host;
        }
        closeConnection(connection);
    }
}

TEST(BoardLinkConnect, PortWithoutListenerFailsQuickly)
{
    int port = 0;
    {
        BoardSim sim;
        port = boardSimStart(sim, {});
        ASSERT_NE(port, 0);
    }
    auto start = Clock::now();
    EXPECT_EQ(openConnection("127.0.0.1", port), nullptr);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

TEST(BoardLinkConnect, ABoardThatNeverAcceptsIsGivenUpAtTheBound)
{
    BoardSimConfig config;
    config.neverAccept = true;
    BoardSim sim;
    int port = boardSimStart(sim, config);
    ASSERT_NE(port, 0);
    auto start = Clock::now();
    EXPECT_EQ(platform::netConnect("127.0.0.1", port, 500), nullptr);
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(waited, 450);
    EXPECT_LE(waited, 1500);
}

struct WaitCase {
    std::chrono::nanoseconds left;
    int ms;
};

// Rounded up: a truncated time-out would turn the last millisecond before a deadline into a busy loop.
const WaitCase waitCases[] = {
    {std::chrono::nanoseconds(1), 1},
    {std::chrono::microseconds(1000), 1},
    {std::chrono::microseconds(1001), 2},
    {std::chrono::nanoseconds(0), 0},
    {std::chrono::milliseconds(-5), 0},
    {std::chrono::hours(1000), std::numeric_limits<int>::max()},
};

TEST(BoardLinkWait, PollTimeOutIsTheWholeMillisecondsLeft)
{
    const Clock::time_point now = Clock::now();
    for (const WaitCase& wait : waitCases)
        EXPECT_EQ(platform::msUntil(now + wait.left, now), wait.ms) << wait.left.count() << " ns";
}

TEST(BoardLinkNetwork, StopReleasesAConnectionLeftOpen)
{
    BoardSim sim;
    int port = boardSimStart(sim, {});
    ASSERT_NE(port, 0);
    ASSERT_TRUE(startNetwork());
    ASSERT_NE(openConnection("127.0.0.1", port), nullptr);
    stopNetwork();
    // The simulator only takes the next client once the first connection is gone.
    platform::NetSocket* second = openConnection("127.0.0.1", port);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ask(second, "Getgw \\r\\n"), "192.0.2.1\r\n");
    closeConnection(second);
}

// The reply's value when it is 1 to 4 digits followed by CR LF, else -1.
int readingOf(const std::string& reply)
{
    if (reply.size() < 3 || reply.size() > 6 || !reply.ends_with("\r\n")) return -1;
    int value = -1;
    auto [end, failure] = std::from_chars(reply.data(), reply.data() + reply.size() - 2, value);
    return failure == std::errc{} && end == reply.data() + reply.size() - 2 ? value : -1;
}

// Other tests rely on the simulator's own replies having the board's form.
TEST(BoardSimReplies, HaveTheBoardsForm)
{
    for (int ms : {0, 7000, 15000, 33000, 61000}) {
        std::chrono::milliseconds at(ms);
        for (std::size_t i = 4; i < 8; ++i) {
            std::string reply = boardSimReply(wireCases[i].command, at);
            EXPECT_GE(readingOf(reply), 0) << reply;
            EXPECT_LE(readingOf(reply), 1023) << reply;
        }
        for (std::size_t i = 8; i < 12; ++i) {
            std::string reply = boardSimReply(wireCases[i].command, at);
            EXPECT_TRUE(reply == "0\r\n" || reply == "1\r\n") << reply;
        }
    }
    EXPECT_NE(boardSimReply("GETADC 1 \\r\\n", std::chrono::seconds(0)),
              boardSimReply("GETADC 1 \\r\\n", std::chrono::seconds(10)));  // the readings drift
    EXPECT_EQ(boardSimReply("Getmask \\r\\n", {}), "255.255.255.0\r\n");
    EXPECT_TRUE(boardSimReply("GETADC 5 \\r\\n", {}).ends_with("\r\n"));
}

}  // namespace
