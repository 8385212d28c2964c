// The defaults every run starts from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "driver/LoggerState.h"
#include "logging/LogFormat.h"
#include "platform/files.h"

TEST(LoggerState, DefaultsMatchTheStartUpTable)
{
    LoggerState state;
    state.intervalMs = 5000;  // left over from "a previous run": must be cleared
    state.boardVersion = "old";
    state.analogReplyBuffer.fill('x');
    resetLoggerState(state);

    for (std::size_t i = 0; i < 4; ++i) {
        std::string digit = std::to_string(i + 1);
        EXPECT_EQ(state.settings.analog[i].label, "Analog-Eingang Nr. " + digit);
        EXPECT_EQ(state.settings.digital[i].label, "Digital-Eingang Nr. " + digit);
        EXPECT_EQ(state.settings.analog[i].unit, "Volt");
        EXPECT_FALSE(state.settings.analog[i].quantity);
        EXPECT_EQ(analogField(state, i), "--.--");
        EXPECT_FALSE(state.reading.digitalClosed[i].has_value());
        EXPECT_EQ(digitalField(state, i), "");
        EXPECT_EQ(state.settings.analog[i].scale, 0.0048828);
        EXPECT_EQ(state.settings.digital[i].openText, "OFFEN");
        EXPECT_EQ(state.settings.digital[i].closedText, "GESCHLOSSEN");
    }
    EXPECT_EQ(state.closedColour, 0x0000FFu);
    EXPECT_EQ(state.openColour, 0xFF0000u);
    EXPECT_EQ(state.analogRoundFactor, 1000);
    EXPECT_EQ(state.analogTextWidth, 4);
    EXPECT_EQ(state.lastLogDate, "--.--.--");
    EXPECT_EQ(state.nextLogDate, "--.--.--");
    EXPECT_EQ(state.lastLogTime, "--:--:--");
    EXPECT_EQ(state.nextLogTime, "--:--:--");
    EXPECT_EQ(state.soundReady, 0);
    // Checked as a value only: nothing here ever connects to the board's default address.
    EXPECT_EQ(state.settings.boardHost, "192.168.1.90");
    EXPECT_EQ(state.settings.boardPort, 50290);

    EXPECT_EQ(state.connection, nullptr);
    EXPECT_EQ(state.intervalMs, 0.0);
    EXPECT_EQ(state.intervalText, "");
    EXPECT_EQ(state.boardVersion, "");
    EXPECT_EQ(state.intervalSeconds, 0);
    EXPECT_EQ(state.intervalDaysText, "");
    EXPECT_TRUE(std::all_of(state.analogReplyBuffer.begin(), state.analogReplyBuffer.end(),
                            [](char c) { return c == 0; }));
    EXPECT_EQ(state.versionReplyBuffer.size(), 200u);
    EXPECT_EQ(state.gatewayReplyBuffer.size(), 100u);
}

TEST(LoggerState, LogFileLivesInTheHomeFolder)
{
    const char* saved = std::getenv("HOME");
    std::string home = saved ? saved : "";
    struct Case {
        const char* home;
        const char* path;
    } cases[] = {
        {"/home/anna", "/home/anna/AVR-NET-IO.CSV"},
        {"/home/anna/", "/home/anna/AVR-NET-IO.CSV"},
        {"", "AVR-NET-IO.CSV"},
    };
    for (const Case& c : cases) {
        setenv("HOME", c.home, 1);
        LoggerState state;
        resetLoggerState(state);
        EXPECT_EQ(state.settings.logFilePath, c.path) << "HOME=" << c.home;
    }
    if (saved) setenv("HOME", home.c_str(), 1);
}

TEST(LoggerState, PathsAreShownAsLatin1Texts)
{
    const struct {
        const char* path;  // UTF-8, as the file system names it
        const char* text;
    } cases[] = {
        {"/tmp/Messwerte-\xC3\xA4\xC3\xB6\xC3\xBC.csv", "/tmp/Messwerte-\xE4\xF6\xFC.csv"},
        {"/home/j\xC3\xBCrgen/AVR-NET-IO.CSV", "/home/j\xFCrgen/AVR-NET-IO.CSV"},
        {"/tmp/\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB.csv", "/tmp/zhurnal.csv"},
        {"/tmp/\xE6\x97\xA5\xE8\xAA\x8C.csv", "/tmp/??.csv"},
        {"/tmp/a\xFF" "b.csv", "/tmp/a?b.csv"},
        {"/tmp/cut\xC3", "/tmp/cut?"},
        {"/tmp/plain.csv", "/tmp/plain.csv"},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::filePathText(c.path), c.text) << c.path;
}
