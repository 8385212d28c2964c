// avrnetio-boardsim: runs the board simulator until SIGTERM or SIGINT, for trying the logger by hand
// and for scripted checks.
#include "BoardSim.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>

#include <pthread.h>

namespace {

constexpr char usage[] =
    "usage: avrnetio-boardsim [--host 127.0.0.1] [--port 50290] [--silent] [--close-after N]\n"
    "  --port 0        listen on any free port (the first output line names it)\n"
    "  --silent        read commands but never answer\n"
    "  --close-after N close each connection after N commands\n";

std::string numberText(int value)
{
    char digits[16];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

bool parseNumber(const char* text, int& value)
{
    std::string_view digits = text;
    auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return failure == std::errc{} && end == digits.data() + digits.size();
}

bool parseArguments(int argc, char** argv, BoardSimConfig& config)
{
    config.port = 50290;
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        bool hasValue = i + 1 < argc;
        if (option == "--host" && hasValue) {
            config.host = argv[++i];
        } else if (option == "--port" && hasValue) {
            if (!parseNumber(argv[++i], config.port)) return false;
        } else if (option == "--close-after" && hasValue) {
            if (!parseNumber(argv[++i], config.closeAfterCommands)) return false;
        } else if (option == "--silent") {
            config.silent = true;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    BoardSimConfig config;
    if (!parseArguments(argc, argv, config)) {
        std::fputs(usage, stderr);
        return 2;
    }

    // Blocked before the server thread starts, so that only sigwait below ever sees them.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    BoardSim sim;
    int port = boardSimStart(sim, config);
    if (port == 0) {
        std::string failure =
            "avrnetio-boardsim: cannot listen on " + config.host + " port " + numberText(config.port) + "\n";
        std::fputs(failure.c_str(), stderr);
        return 1;
    }
    std::string ready = "avrnetio-boardsim listening on " + config.host + " port " + numberText(port) + "\n";
    std::fputs(ready.c_str(), stdout);
    std::fflush(stdout);

    int received = 0;
    sigwait(&endSignals, &received);
    boardSimStop(sim);
    return 0;
}
