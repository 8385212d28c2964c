// The program driver: start-up, the measurement cycle with its wait, shutdown and the end path.
#pragma once

#include <string>

#include "settings/Settings.h"

struct LoggerEnd {
    int exitCode = 0;             // 1 after a start-up failure, so that scripts and services see it
    bool settingsWanted = false;  // the board was not found, and the user asked for the settings
};

// Runs the logger with the settings from start-up to its end; mqttPassword is the broker's. Where
// offerSettings, a board that is not found makes it ask, after its message, whether the settings
// are to be opened.
LoggerEnd runLogger(const Settings& settings, const std::string& mqttPassword = {}, bool offerSettings = false);
