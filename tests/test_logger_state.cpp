// The state every run starts from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "driver/LoggerState.h"
#include "logging/LogFormat.h"
#include "platform/files.h"

TEST(LoggerState, AFreshRunForgetsThePreviousOne)
{
    LoggerState state;
    state.intervalMs = 5000;  // left over from "a previous run": must be cleared
    state.boardVersion = "old";
    state.reading.taken = true;
    state.analogReplyBuffer.fill('x');
    resetLoggerState(state);

    EXPECT_EQ(state.intervalMs, 0.0);
    EXPECT_EQ(state.boardVersion, "");
    EXPECT_TRUE(std::all_of(state.analogReplyBuffer.begin(), state.analogReplyBuffer.end(),
                            [](char c) { return c == 0; }));
    // Before the first reading the log's fields say so.
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(analogField(state, i), "--.--");
        EXPECT_EQ(digitalField(state, i), "");
    }
    EXPECT_TRUE(state.settings.given.none());
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
