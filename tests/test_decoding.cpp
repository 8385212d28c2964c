// The decoding of analog and digital replies into shown and logged texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>

#include "BoardSim.h"
#include "board/BoardLink.h"
#include "board/Decoding.h"
#include "driver/LoggerState.h"
#include "logging/LogFormat.h"

namespace {

constexpr double defaultScale = 0.0048828;

// The voltage form of a reply, as the reading and the log make it.
std::string voltageOf(std::string_view reply, double scale, int roundFactor, int width)
{
    return voltageText(analogRaw(reply).value_or(0), scale, roundFactor, width);
}

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
        EXPECT_EQ(voltageOf(c.reply, defaultScale, 1000, 4), c.text) << "reply " << c.reply;
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
        EXPECT_EQ(voltageOf(c.reply, c.scale, c.roundFactor, c.width), c.text)
            << "reply " << c.reply << " scale " << c.scale << " factor " << c.roundFactor;
}

TEST(Decoding, AnalogRepliesAsQuantities)
{
    struct Case {
        const char* what;
        std::string_view reply;
        double scale;
        double offset;
        int decimals;
        const char* field;  // as logged; empty when no digit came
    } cases[] = {
        {"LM35, 10 mV per degree", "44", 0.48828, 0, 1, "21.5"},
        {"LM35, reply with its line end", "0512\r\n", 0.48828, 0, 1, "250.0"},
        {"TMP36, 500 mV at 0 degrees", "150", 0.48828, -50, 1, "23.2"},
        {"TMP36 below zero", "1", 0.48828, -50, 1, "-49.5"},
        {"TMP36 at its lowest", "0", 0.48828, -50, 2, "-50.00"},
        {"4-20 mA on 250 ohms as 0-10 bar, 4 mA", "205", 0.012207, -2.5, 2, "0.00"},
        {"4-20 mA as 0-10 bar, 20 mA", "1024", 0.012207, -2.5, 2, "10.00"},
        {"4-20 mA as 0-10 bar, below 4 mA", "100", 0.012207, -2.5, 3, "-1.279"},
        {"five digits", "9999", 10, 0, 0, "99990"},
        {"five digits with decimals", "9999", 10, 0.25, 2, "99990.25"},
        {"a half goes away from zero, not to even", "5", 0.5, 0, 0, "3"},
        {"a negative half too", "1", 0.5, -1, 0, "-1"},
        {"a decimal half that a double holds just below", "145", 0.001, 0, 2, "0.15"},
        {"and another", "439", 0.005, 0, 2, "2.20"},
        {"just below a half", "1", 0.00449, 0, 2, "0.00"},
        {"a negative value that rounds to zero is 0.0", "0", 0.01, -0.04, 1, "0.0"},
        {"zero itself", "4", 0.01, -0.04, 1, "0.0"},
        {"digits after a letter still count", "5x12", 1, 0, 0, "512"},
        {"an empty reply is no reading", "", 1, 0, 1, ""},
        {"nor is one without a digit", "ERR\r\n", 1, 0, 1, ""},
    };
    for (const Case& c : cases) {
        LoggerState state;
        resetLoggerState(state);
        state.settings.analog[0] = {"x", "y", c.scale, c.offset, c.decimals, true, "", "measurement", 0, 0, 0, ""};
        state.reading.taken = true;
        state.reading.analogRaw[0] = analogRaw(c.reply);
        EXPECT_EQ(analogField(state, 0), c.field) << c.what;
    }
}

TEST(Decoding, TheLargestQuantitiesTheSettingsTakeAreLoggedExactly)
{
    // Checked in whole units of the last place: the largest offsets below the settings' bound
    // of 10^12, and of 10^14 with the decimals, each written as its decimal text.
    const auto text = [](long long units, int decimals) {
        std::string digits = std::to_string(units < 0 ? -units : units);
        if (decimals > 0) {
            const auto places = static_cast<std::size_t>(decimals);
            if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
            digits.insert(digits.size() - places, ".");
        }
        return (units < 0 ? "-" : "") + digits;
    };
    for (int decimals = 0; decimals <= 6; ++decimals) {
        long long place = 1;
        for (int i = 0; i < decimals; ++i) place *= 10;
        long long bound = 1;
        for (int i = 0; i < std::min(12, 14 - decimals); ++i) bound *= 10;
        for (const long long below : {1LL, 7LL, 123456LL, 50000001LL}) {
            for (const int sign : {1, -1}) {
                const long long offset = sign * ((bound - 9999) * place - below);
                double offsetValue = 0;
                const std::string offsetText = text(offset, decimals);
                std::from_chars(offsetText.data(), offsetText.data() + offsetText.size(), offsetValue);
                const AnalogInput input{"x", "y", 1.0, offsetValue, decimals, true, "", "measurement", 0, 0, 0, ""};
                for (const int raw : {0, 1, 853, 9999})
                    EXPECT_EQ(quantityText(raw, input), text(raw * place + offset, decimals))
                        << "offset " << offsetText << ", raw " << raw;
            }
        }
    }
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
