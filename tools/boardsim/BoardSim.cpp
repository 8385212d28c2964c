// The board simulator: a loopback TCP server that splits the byte stream into board commands and
// answers each one, with slowly drifting readings unless the configuration fixes the reply.
#include "BoardSim.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string_view>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using std::chrono::milliseconds;

constexpr std::string_view terminator = boardSimTerminator;

enum class Wait { ready, timedOut, stopped };

// Waits until fd is readable, timeoutMs passes (-1: no limit) or boardSimStop asks to end.
Wait waitReadable(const BoardSim& sim, int fd, int timeoutMs)
{
    for (;;) {
        pollfd entries[2] = {{sim.wakeFds[0], POLLIN, 0}, {fd, POLLIN, 0}};
        int count = fd < 0 ? 1 : 2;
        int ready = poll(entries, count, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || entries[0].revents != 0) return Wait::stopped;
        return ready == 0 ? Wait::timedOut : Wait::ready;
    }
}

bool sendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string numberText(long value)
{
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return std::string(digits, end);
}

std::string commandText(std::string_view name, int channel)
{
    return std::string(name) + " " + numberText(channel) + " " + std::string(terminator);
}

// Sends the reply's pieces with the configured pause between them; false when the client is gone
// or the simulator is stopping.
bool answer(BoardSim& sim, int client, const std::string& received)
{
    if (sim.config.replyDelayMs > 0 && waitReadable(sim, -1, sim.config.replyDelayMs) == Wait::stopped) return false;
    auto fixed = sim.config.replies.find(received);
    if (fixed == sim.config.replies.end()) {
        auto sinceStart = std::chrono::steady_clock::now() - sim.startTime;
        return sendAll(client, boardSimReply(received, std::chrono::duration_cast<milliseconds>(sinceStart)));
    }
    bool first = true;
    for (const std::string& piece : fixed->second) {
        if (!first && waitReadable(sim, -1, sim.config.pieceDelayMs) == Wait::stopped) return false;
        first = false;
        if (!sendAll(client, piece)) return false;
    }
    return true;
}

// True when the simulator itself ended the connection after closeAfterCommands commands.
bool serveClient(BoardSim& sim, int client)
{
    std::string pending;
    int served = 0;
    char chunk[512];
    while (waitReadable(sim, client, -1) == Wait::ready) {
        ssize_t got = recv(client, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        pending.append(chunk, static_cast<std::size_t>(got));
        {
            std::lock_guard lock(sim.recordLock);
            sim.received.append(chunk, static_cast<std::size_t>(got));
        }
        for (auto end = pending.find(terminator); end != std::string::npos; end = pending.find(terminator)) {
            std::string received = pending.substr(0, end + terminator.size());
            pending.erase(0, received.size());
            {
                std::lock_guard lock(sim.recordLock);
                sim.commands.push_back(received);
            }
            const bool answers = !sim.config.silent && (sim.config.silentAfterCommands == 0 ||
                                                        served < sim.config.silentAfterCommands);
            if (answers && !answer(sim, client, received)) return false;
            if (++served == sim.config.closeAfterCommands) return true;
        }
    }
    return false;
}

// A listening socket on host and port (0: any free port), or -1; boundPort receives the port.
int listenOn(const std::string& host, int port, int backlog, int& boundPort)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t size = sizeof address;
    int reuse = 1;
    if (port < 0 || port > 65535 || inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) return -1;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close(fd);
        return -1;
    }
    boundPort = ntohs(address.sin_port);
    return fd;
}

// With backlog 0 the kernel queues one connection and drops later connection requests unanswered.
bool fillAcceptQueue(BoardSim& sim)
{
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (getsockname(sim.listenFd, reinterpret_cast<sockaddr*>(&address), &size) != 0) return false;
    sim.ownClientFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return sim.ownClientFd >= 0 &&
           connect(sim.ownClientFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

// Closing the listening socket makes connects fail at once, as with a board switched off.
bool pauseListening(BoardSim& sim)
{
    close(sim.listenFd);
    sim.listenFd = -1;
    if (waitReadable(sim, -1, sim.config.downForMs) == Wait::stopped) return false;
    int port = 0;
    sim.listenFd = listenOn(sim.config.host, sim.port, 4, port);
    return sim.listenFd >= 0;
}

void serve(BoardSim& sim)
{
    if (sim.config.neverAccept) {
        waitReadable(sim, -1, -1);
        return;
    }
    while (waitReadable(sim, sim.listenFd, -1) == Wait::ready) {
        int client = accept4(sim.listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        {
            std::lock_guard lock(sim.recordLock);
            ++sim.connections;
        }
        const bool closedByUs = serveClient(sim, client);
        close(client);
        if (closedByUs && sim.config.downForMs > 0 && !pauseListening(sim)) return;
    }
}

void closeAll(BoardSim& sim)
{
    for (int* fd : {&sim.listenFd, &sim.ownClientFd, &sim.wakeFds[0], &sim.wakeFds[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

}  // namespace

BoardSim::~BoardSim()
{
    boardSimStop(*this);
}

std::string boardSimReply(const std::string& received, milliseconds sinceStart)
{
    double seconds = static_cast<double>(sinceStart.count()) / 1000.0;
    for (int channel = 1; channel <= 4; ++channel) {
        if (received == commandText("GETADC", channel)) {
            // A slow sine per channel, each with its own period and phase, within 0 to 1023.
            double period = 20.0 + 10.0 * channel;
            double angle = 2.0 * std::numbers::pi * seconds / period + channel;
            return numberText(std::lround(512.0 + 400.0 * std::sin(angle))) + "\r\n";
        }
        if (received == commandText("GETPORT", channel)) {
            long phase = static_cast<long>(seconds) / (5 + 2 * channel) + channel;
            return phase % 2 == 0 ? "0\r\n" : "1\r\n";
        }
    }
    std::string_view name = std::string_view(received).substr(0, received.size() - terminator.size());
    if (name == "Version ") return "AVR-NET-IO board simulator 1.0\r\n";
    if (name == "Getip ") return "192.0.2.90\r\n";
    if (name == "Getgw ") return "192.0.2.1\r\n";
    if (name == "Getmask ") return "255.255.255.0\r\n";
    return "Unknown command\r\n";
}

int boardSimStart(BoardSim& sim, const BoardSimConfig& config)
{
    boardSimStop(sim);
    sim.config = config;
    sim.commands.clear();
    sim.received.clear();
    sim.connections = 0;
    sim.startTime = std::chrono::steady_clock::now();

    sim.port = 0;
    sim.listenFd = pipe2(sim.wakeFds, O_CLOEXEC) == 0
                       ? listenOn(config.host, config.port, config.neverAccept ? 0 : 4, sim.port)
                       : -1;
    if (sim.listenFd < 0 || (config.neverAccept && !fillAcceptQueue(sim))) {
        closeAll(sim);
        return 0;
    }
    sim.server = std::thread(serve, std::ref(sim));
    return sim.port;
}

void boardSimStop(BoardSim& sim)
{
    if (sim.server.joinable()) {
        char wake = 1;
        while (write(sim.wakeFds[1], &wake, 1) < 0 && errno == EINTR) {
        }
        sim.server.join();
    }
    closeAll(sim);
}

std::vector<std::string> boardSimCommands(BoardSim& sim)
{
    std::lock_guard lock(sim.recordLock);
    return sim.commands;
}

std::string boardSimReceived(BoardSim& sim)
{
    std::lock_guard lock(sim.recordLock);
    return sim.received;
}

int boardSimConnections(BoardSim& sim)
{
    std::lock_guard lock(sim.recordLock);
    return sim.connections;
}
