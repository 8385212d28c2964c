// The one program-wide state record: every setting, reading and text the logger shows or logs.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace platform {
struct NetSocket;
}

// Colours are 0x00BBGGRR, red in the low byte.
using Colour = std::uint32_t;

// Inputs are numbered 1 to 4 as on the board; entry n - 1 holds input n.
template <typename T>
using PerInput = std::array<T, 4>;

// Texts hold Latin-1 bytes.
struct LoggerState {
    std::array<char, 100> analogReplyBuffer{};
    std::array<char, 100> digitalReplyBuffer{};
    std::array<char, 200> versionReplyBuffer{};
    std::array<char, 100> ipReplyBuffer{};
    std::array<char, 100> maskReplyBuffer{};
    std::array<char, 100> gatewayReplyBuffer{};
    PerInput<std::string> analogLabel;
    PerInput<std::string> analogUnit;
    PerInput<std::string> digitalLabel;
    PerInput<std::string> analogText;
    PerInput<std::string> digitalText;
    std::string openText;
    std::string closedText;
    std::string logFilePath;  // bytes as the file system names it; shown through filePathText
    Colour closedColour = 0;
    Colour openColour = 0;
    std::int32_t analogRoundFactor = 0;
    std::int32_t analogTextWidth = 0;
    std::string lastLogDate;
    std::string nextLogDate;
    std::string lastLogTime;
    std::string nextLogTime;
    std::int32_t soundWanted = 0;
    std::int32_t soundReady = 0;
    std::string boardHost;
    std::int32_t boardPort = 0;
    std::string readingDate;
    std::string readingTime;
    platform::NetSocket* connection = nullptr;
    std::string intervalText;
    std::string boardVersion;
    std::string boardIp;
    std::string boardGateway;
    std::string boardMask;
    std::int32_t intervalSeconds = 0;
    std::int32_t intervalMinutes = 0;
    std::int32_t intervalHours = 0;
    std::int32_t intervalDays = 0;
    std::string intervalSecondsText;
    std::string intervalMinutesText;
    std::string intervalHoursText;
    std::string intervalDaysText;
    PerInput<std::string> digitalCode;
    // Whether the reading's reply for the input was empty: published as null, not as its text.
    PerInput<bool> analogReplyEmpty{};
    PerInput<bool> digitalReplyEmpty{};
    PerInput<double> analogScale{};
    double intervalMs = 0.0;
};

// Clears the record and sets every default: a fresh run starts from here.
void resetLoggerState(LoggerState& state);
