// The logger program: reads its options, then runs start-up, the cycles and the shutdown.
#include <cstdio>
#include <string_view>
#include <vector>

#include "driver/CommandLine.h"
#include "driver/Driver.h"
#include "driver/Settings.h"
#include "publish/Publishing.h"

int main(int argc, char** argv)
{
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    LoggerOptions options;
    switch (parseCommandLine(arguments, options)) {
    case CommandLineAction::help:
        std::fputs(usageText().c_str(), stdout);
        return 0;
    case CommandLineAction::usageError:
        std::fputs(usageText().c_str(), stderr);
        return 2;
    case CommandLineAction::run:
        break;
    }
    std::string problem = loadSettings(options);
    if (problem.empty()) problem = checkPublishOptions(options);
    if (!problem.empty()) {
        std::fputs(usageText().c_str(), stderr);
        std::fprintf(stderr, "\n%s\n", problem.c_str());
        return 2;
    }
    return runLogger(options);
}
