// The one program-wide state record: every setting, reading and text the logger shows or logs.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "board/Reading.h"
#include "logging/Alarms.h"
#include "settings/Settings.h"

namespace platform {
struct NetSocket;
}

// Colours are 0x00BBGGRR, red in the low byte.
using Colour = std::uint32_t;
inline constexpr Colour red = 0x0000FF;
inline constexpr Colour blue = 0xFF0000;
inline constexpr Colour orange = 0x0080FF;  // a value in alarm

// Texts hold Latin-1 bytes.
struct LoggerState {
    std::array<char, 100> analogReplyBuffer{};
    std::array<char, 100> digitalReplyBuffer{};
    std::array<char, 200> versionReplyBuffer{};
    std::array<char, 100> ipReplyBuffer{};
    std::array<char, 100> maskReplyBuffer{};
    std::array<char, 100> gatewayReplyBuffer{};
    Settings settings;
    Reading reading;
    Alarms alarms;
    Colour closedColour = 0;
    Colour openColour = 0;
    std::int32_t analogRoundFactor = 0;
    std::int32_t analogTextWidth = 0;
    std::string lastLogDate;
    std::string nextLogDate;
    std::string lastLogTime;
    std::string nextLogTime;
    std::int32_t soundReady = 0;
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
    double intervalMs = 0.0;
};

// Clears the record and sets every default: a fresh run starts from here.
void resetLoggerState(LoggerState& state);

// The log's fields of the reading: input is 0 to 3.
std::string analogField(const LoggerState& state, std::size_t input);
std::string digitalField(const LoggerState& state, std::size_t input);
