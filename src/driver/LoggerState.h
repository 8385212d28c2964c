// The one program-wide state record: every setting, reading and text the logger shows or logs.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {
struct NetSocket;
}

// Colours are 0x00BBGGRR, red in the low byte.
using Colour = std::uint32_t;

// Inputs are numbered 1 to 4 as on the board; entry n - 1 holds input n.
template <typename T>
using PerInput = std::array<T, 4>;

// The settings of one analog input. In the voltage form (quantity false) its value is the board's
// reading in volts, cut to analogTextWidth characters; in the quantity form it is raw * scale +
// offset in unit, rounded to decimals places.
struct AnalogInput {
    std::string label;
    std::string unit;
    double scale = 0.0;  // units per step of the board's reading
    double offset = 0.0;
    int decimals = 0;
    bool quantity = false;
    std::string haDeviceClass;  // empty: none
};

struct DigitalInput {
    std::string label;
    std::string openText;
    std::string closedText;  // also what the colour rule compares with
    std::string haDeviceClass;
};

// One reading of the eight inputs, as the board gave it; each output formats it where it writes.
struct Reading {
    bool taken = false;  // false until the first cycle; moment is then the start-up's
    std::int64_t momentMs = 0;  // local wall clock, as if it were UTC, in ms since 1970
    PerInput<std::optional<int>> analogRaw;       // none: no digit among the reply's first four bytes
    PerInput<std::optional<bool>> digitalClosed;  // none: no reply has told the state yet
    // Whether the reply was empty: published as null, not as a value.
    PerInput<bool> analogReplyEmpty{};
    PerInput<bool> digitalReplyEmpty{};
};

enum class Schedule { drift, aligned };

// Texts hold Latin-1 bytes.
struct LoggerState {
    std::array<char, 100> analogReplyBuffer{};
    std::array<char, 100> digitalReplyBuffer{};
    std::array<char, 200> versionReplyBuffer{};
    std::array<char, 100> ipReplyBuffer{};
    std::array<char, 100> maskReplyBuffer{};
    std::array<char, 100> gatewayReplyBuffer{};
    PerInput<AnalogInput> analogInputs;
    PerInput<DigitalInput> digitalInputs;
    Reading reading;
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
    Schedule schedule = Schedule::drift;
};

// Clears the record and sets every default: a fresh run starts from here.
void resetLoggerState(LoggerState& state);
