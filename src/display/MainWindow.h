// The one window: 50 numbered controls, the picture of the board, and their refresh each cycle.
#pragma once

#include <string>

namespace platform {
struct UiPicture;
}

struct LoggerState;

inline constexpr int endButtonControl = 50;

// Opens the window with every control and the picture; without a window it does nothing.
void createMainWindow(LoggerState& state, platform::UiPicture* picture);

// Writes the latest texts and colours into controls 18 to 47.
void refreshDisplay(const LoggerState& state);

// The composed texts of the window, built from the state at the moment of the call.
std::string boardInfoText(const LoggerState& state);
std::string intervalDescription(const LoggerState& state);
std::string fileLocationText(const LoggerState& state);
std::string lastLogLine(const LoggerState& state, bool refreshed);
std::string nextLogLine(const LoggerState& state);
