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
    "usage: avrnetio-boardsim [--host 127.0.0.1] [--port 50290] [--silent] [--silent-after N]\n"
    "                         [--close-after N [--down-for S]] [--never-accept] [--delay MS]\n"
    "                         [--reply 'COMMAND=TEXT']...\n"
    "  --port 0        listen on any free port (the first output line names it)\n"
    "  --silent        read commands but never answer\n"
    "  --silent-after N  answer the first N commands of each connection, then none\n"
    "  --close-after N close each connection after N commands\n"
    "  --down-for S    after such a close, refuse connections for S seconds\n"
    "  --never-accept  leave connections pending, so that connecting hangs\n"
    "  --delay MS      answer every command MS milliseconds late, as a slow board\n"
    "  --reply C=T     answer command C (such as 'GETADC 1') always with T; T may hold\n"
    "                  the escapes \\r, \\n, \\\\ and \\xHH (any byte, NUL included)\n";

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

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "GETADC 1=512\r\n" becomes a fixed reply of 512, CR, LF to "GETADC 1 \r\n".
bool parseReply(std::string_view text, BoardSimConfig& config)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) return false;
    std::string reply;
    for (std::size_t i = equals + 1; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            reply += text[i];
            continue;
        }
        const char kind = text[++i];
        if (kind == 'r') {
            reply += '\r';
        } else if (kind == 'n') {
            reply += '\n';
        } else if (kind == 'x' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            reply += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            reply += kind;
        }
    }
    config.replies[std::string(text.substr(0, equals)) + " " + boardSimTerminator] = {reply};
    return true;
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
        } else if (option == "--down-for" && hasValue) {
            int seconds = 0;
            if (!parseNumber(argv[++i], seconds) || seconds < 0 || seconds > 3600) return false;
            config.downForMs = seconds * 1000;
        } else if (option == "--silent-after" && hasValue) {
            if (!parseNumber(argv[++i], config.silentAfterCommands)) return false;
        } else if (option == "--delay" && hasValue) {
            if (!parseNumber(argv[++i], config.replyDelayMs) || config.replyDelayMs < 0) return false;
        } else if (option == "--never-accept") {
            config.neverAccept = true;
        } else if (option == "--reply" && hasValue) {
            if (!parseReply(argv[++i], config)) return false;
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
    // The last line tells a script what the simulator saw.
    std::string summary = "avrnetio-boardsim served " + numberText(boardSimConnections(sim)) +
                          " connections and " + numberText(static_cast<int>(boardSimCommands(sim).size())) +
                          " commands\n";
    std::fputs(summary.c_str(), stdout);
    return 0;
}
