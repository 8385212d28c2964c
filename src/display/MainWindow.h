// The one window: 50 numbered controls, the picture of the board, and their refresh each cycle.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {
struct UiPicture;
}

struct LoggerState;

inline constexpr int endButtonControl = 50;
inline constexpr std::string_view mainWindowTitle = "Datenlogger f\xFCr AVR-NET-IO-Board";
// Where publishing is on: the connection's state, between the picture and the board information.
inline constexpr int mqttStatusControl = 51;

// Opens the window with every control and the picture; without a window it does nothing.
void createMainWindow(LoggerState& state, platform::UiPicture* picture);

// Writes the latest texts and colours into controls 18 to 47.
void refreshDisplay(const LoggerState& state);
// Where alarms are watched: each value in alarm orange, and the title led by "ALARM" while one is.
void refreshAlarms(LoggerState& state);
// Only the next-log line, for a schedule that moved the next row.
void refreshNextLog(const LoggerState& state);

// What the window shows of the reading: input is 0 to 3.
std::string analogText(const LoggerState& state, std::size_t input);
std::string digitalText(const LoggerState& state, std::size_t input);
std::string readingDate(const LoggerState& state);
std::string readingTime(const LoggerState& state);

// The composed texts of the window, built from the state at the moment of the call.
std::string boardInfoText(const LoggerState& state);
std::string intervalDescription(const LoggerState& state);
std::string fileLocationText(const LoggerState& state);
std::string lastLogLine(const LoggerState& state, bool refreshed);
std::string nextLogLine(const LoggerState& state);
