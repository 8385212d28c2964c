// The decoding of analog and digital replies into shown and logged texts.
#include <gtest/gtest.h>

#include "BoardSim.h"
#include "board/BoardLink.h"
#include "board/Decoding.h"
#include "driver/LoggerState.h"
#include "logging/LogFormat.h"

namespace {

constexpr double defaultScale = 0.0048828;

TEST(Decoding, AnalogRepliesWithTheDefaults)
{
    struct Case {
        std::string_view reply;
        const char* text;
    } cases[] = {
        {"512", "2.50"},
        {"1023", "4.99"},  // 4.995 is cut, not rounded
        {"1023\r\n", "4.99"},
        {"1024", "5.00"},
        {"205", "1.00"},
        {"3", "0.01"},
        {"1", "0.00"},
        {"0512", "2.50"},
        {"5x12", "2.50"},   // a non-digit is skipped and later digits still count
        {"12345", "6.02"},  // only the first four characters are looked at
        {"9999", "48.8"},
        {"0", "-0.0"},  // the rounding turns zero into negative zero
        {"", "-0.0"},
        {"abcd7", "-0.0"},
        {"12\r\n", "0.05"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeAnalog(c.reply, defaultScale, 1000, 4), c.text) << "reply " << c.reply;
}

TEST(Decoding, AnalogRoundingAndWidth)
{
    struct Case {
        std::string_view reply;
        double scale;
        int roundFactor;
        int width;
        const char* text;
    } cases[] = {
        {"1023", defaultScale, 1000, 20, "4.9950000000"},  // the whole text when it is short enough
        {"1", 0.5, 1, 20, "1.0000000000"},     // halves go away from zero, not to even
        {"1", -0.5, 1, 20, "-1.0000000000"},
        {"3", -0.25, 1, 20, "-1.0000000000"},
        {"1", -0.2, 1, 20, "-0.0000000000"},
        {"512", defaultScale, 100, 20, "2.5000000000"},
        {"1023", defaultScale, 10, 20, "5.0000000000"},
        {"512", defaultScale, 1000, 0, ""},
        {"512", defaultScale, 1000, -3, ""},
        {"512", defaultScale, 1000, 1, "2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeAnalog(c.reply, c.scale, c.roundFactor, c.width), c.text)
            << "reply " << c.reply << " scale " << c.scale << " factor " << c.roundFactor;
}

TEST(Decoding, DigitalRepliesLookAtTheFirstCharacterOnly)
{
    struct Case {
        std::string_view reply;
        DigitalState state;
    } cases[] = {
        {"1", DigitalState::open},
        {"10", DigitalState::open},
        {"1\r\n", DigitalState::open},
        {"0", DigitalState::closed},
        {"", DigitalState::closed},
        {" 1", DigitalState::closed},
        {"x", DigitalState::closed},
        {"\r\n", DigitalState::closed},
        {"2", DigitalState::unchanged},
        {"7", DigitalState::unchanged},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeDigital(c.reply), c.state) << "reply " << c.reply;
}

}  // namespace

namespace {

TEST(Decoding, ReadInputsAsksEachChannelInTurnAndKeepsUndecidedStates)
{
    BoardSimConfig config;
    config.replies = {
        {"GETADC 1 \\r\\n", {"512\r\n"}}, {"GETADC 2 \\r\\n", {"0"}},
        {"GETADC 3 \\r\\n", {"1023\r\n"}}, {"GETADC 4 \\r\\n", {"x"}},
        {"GETPORT 1 \\r\\n", {"1\r\n"}}, {"GETPORT 2 \\r\\n", {"0\r\n"}},
        {"GETPORT 3 \\r\\n", {"7\r\n"}}, {"GETPORT 4 \\r\\n", {" 1"}},
    };
    BoardSim sim;
    const int port = boardSimStart(sim, config);
    ASSERT_NE(port, 0);
    LoggerState state;
    resetLoggerState(state);
    state.connection = openConnection("127.0.0.1", port);
    ASSERT_NE(state.connection, nullptr);

    readInputs(state);

    EXPECT_EQ(state.reading.analogRaw, (PerInput<std::optional<int>>{512, 0, 1023, std::nullopt}));
    EXPECT_EQ(state.reading.digitalClosed, (PerInput<std::optional<bool>>{false, true, std::nullopt, true}));
    PerInput<std::string> row;
    for (std::size_t i = 0; i < 4; ++i) row[i] = analogField(state, i) + "/" + digitalField(state, i);
    EXPECT_EQ(row, (PerInput<std::string>{"2.50/0", "-0.0/1", "4.99/", "-0.0/1"}));
    EXPECT_EQ(boardSimCommands(sim),
              (std::vector<std::string>{"GETADC 1 \\r\\n", "GETADC 2 \\r\\n", "GETADC 3 \\r\\n",
                                        "GETADC 4 \\r\\n", "GETPORT 1 \\r\\n", "GETPORT 2 \\r\\n",
                                        "GETPORT 3 \\r\\n", "GETPORT 4 \\r\\n"}));
    closeConnection(state.connection);
    boardSimStop(sim);
}

}  // namespace
