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
        LoggerOptions options;
        std::string problem;
        EXPECT_EQ(parseCommandLine(c.arguments, options, &problem), c.action)
            << (c.arguments.empty() ? "(none)" : c.arguments.front());
        EXPECT_EQ(problem, c.problem);
    }

    LoggerOptions options;
    const std::vector<std::string_view> all = {"--host", "localhost", "--port", "50291",
                                               "--log-file", "/tmp/a b.csv", "--interval", "m1.5"};
    ASSERT_EQ(parseCommandLine(all, options), CommandLineAction::run);
    EXPECT_EQ(options.host, "localhost");
    EXPECT_EQ(options.port, 50291);
    EXPECT_EQ(options.logFile, "/tmp/a b.csv");
    EXPECT_EQ(options.interval, "m1.5");

    LoggerOptions untouched;
    ASSERT_EQ(parseCommandLine({}, untouched), CommandLineAction::run);
    EXPECT_FALSE(untouched.host || untouched.port || untouched.logFile || untouched.interval);
}

}  // namespace
