// The command-line options and their errors.
#include <gtest/gtest.h>

#include <vector>

#include "driver/CommandLine.h"

namespace {

TEST(CommandLine, OptionsAndErrors)
{
    struct Case {
        std::vector<std::string_view> arguments;
        CommandLineAction action;
        const char* problem = "";
    } cases[] = {
        {{}, CommandLineAction::run},
        {{"--host", "127.0.0.1", "--port", "4000", "--log-file", "/tmp/a b.csv", "--interval", "S1"},
         CommandLineAction::run},
        {{"--setup", "--desktop", "--settings", "/tmp/x.toml"}, CommandLineAction::run},
        {{"--help"}, CommandLineAction::help},
        {{"--port", "1", "--help"}, CommandLineAction::help},
        {{"--host"}, CommandLineAction::usageError, "--host needs a value"},
        {{"--verbose", "1"}, CommandLineAction::usageError, "Unknown option: --verbose"},
        {{"--verbose"}, CommandLineAction::usageError, "Unknown option: --verbose"},
        {{"127.0.0.1"}, CommandLineAction::usageError, "Unknown option: 127.0.0.1"},
        {{"--port", "0"}, CommandLineAction::usageError, "--port takes a port from 1 to 65535: 0"},
        {{"--port", "65536"}, CommandLineAction::usageError, "--port takes a port from 1 to 65535: 65536"},
        {{"--port", "80x"}, CommandLineAction::usageError, "--port takes a port from 1 to 65535: 80x"},
        {{"--port", "-1"}, CommandLineAction::usageError, "--port takes a port from 1 to 65535: -1"},
    };
    for (const Case& c : cases) {
        StartOptions start;
        Settings settings = defaultSettings();
        Message problem;
        EXPECT_EQ(parseCommandLine(c.arguments, start, settings, &problem), c.action)
            << (c.arguments.empty() ? "(none)" : c.arguments.front());
        EXPECT_EQ(problem.english, c.problem);
    }

    StartOptions start;
    Settings settings = defaultSettings();
    const std::vector<std::string_view> all = {"--host", "localhost", "--port", "50291",
                                               "--log-file", "/tmp/a b.csv", "--interval", "m1.5"};
    ASSERT_EQ(parseCommandLine(all, start, settings), CommandLineAction::run);
    EXPECT_EQ(settings.boardHost, "localhost");
    EXPECT_EQ(settings.boardPort, 50291);
    EXPECT_EQ(settings.logFilePath, "/tmp/a b.csv");
    EXPECT_EQ(settings.interval, "m1.5");

    Settings untouched = defaultSettings();
    ASSERT_EQ(parseCommandLine({}, start, untouched), CommandLineAction::run);
    EXPECT_TRUE(untouched.given.none());
}

}  // namespace
