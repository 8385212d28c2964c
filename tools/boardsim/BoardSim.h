// A stand-in for the AVR-NET-IO board on loopback: answers its text commands in a thread of its own,
// with scripted replies and misbehaviour for tests.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Commands end in the four literal characters backslash, r, backslash, n.
inline constexpr char boardSimTerminator[] = "\\r\\n";

struct BoardSimConfig {
    std::string host = "127.0.0.1";  // address to listen on
    int port = 0;                    // 0: any free port
    // Fixed replies instead of the simulated ones, keyed by the whole command as received
    // (terminator included). Each reply is sent as its pieces, one send each, pieceDelayMs apart.
    std::map<std::string, std::vector<std::string>> replies;
    int pieceDelayMs = 300;
    int replyDelayMs = 0;        // every reply waits this long, as from a slow board
    int closeAfterCommands = 0;  // close each connection after this many commands; 0: never
    int downForMs = 0;           // after such a close, refuse connections this long, then listen again
    bool silent = false;         // read and record commands, never answer
    int silentAfterCommands = 0; // answer only this many commands per connection; 0: all
    // Listen, fill the accept queue with a connection of its own and never accept: further
    // connects hang until the client gives up.
    bool neverAccept = false;
};

struct BoardSim {
    BoardSimConfig config;
    std::thread server;
    int listenFd = -1;
    int ownClientFd = -1;       // the connection that fills the accept queue when never accepting
    int port = 0;               // the bound port, kept for listening again after a pause
    int wakeFds[2] = {-1, -1};  // a byte written here ends every wait of the server thread
    std::chrono::steady_clock::time_point startTime;

    std::mutex recordLock;
    std::vector<std::string> commands;  // every command, terminator included, in arrival order
    std::string received;               // every byte received, over all connections
    int connections = 0;                // connections accepted so far

    ~BoardSim();
};

// Listens and starts serving in a thread, one client at a time. Returns the bound port, 0 on failure.
int boardSimStart(BoardSim& sim, const BoardSimConfig& config);
// Ends the thread and closes every socket; harmless when not running.
void boardSimStop(BoardSim& sim);

// Copies of the records, safe while the thread runs. A command is recorded before it is answered.
std::vector<std::string> boardSimCommands(BoardSim& sim);
std::string boardSimReceived(BoardSim& sim);
int boardSimConnections(BoardSim& sim);

// The simulator's own answer to a command, as of the given time since start.
std::string boardSimReply(const std::string& command, std::chrono::milliseconds sinceStart);
