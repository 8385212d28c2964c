// The program driver: start-up, the measurement cycle with its wait, shutdown and the end path.
#pragma once

#include "driver/CommandLine.h"

struct LoggerEnd {
    int exitCode = 0;             // 1 after a start-up failure, so that scripts and services see it
    bool settingsWanted = false;  // the board was not found, and the user asked for the settings
};

// Runs the logger from start-up to its end. Where offerSettings, a board that is not found makes
// it ask, after its message, whether the settings are to be opened.
LoggerEnd runLogger(const LoggerOptions& options, bool offerSettings = false);
