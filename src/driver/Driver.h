// The program driver: start-up, the measurement cycle with its wait, shutdown and the end path.
#pragma once

#include "driver/CommandLine.h"

// Runs the logger from start-up to its end and returns the process's exit code: 1 after a
// start-up failure, so that scripts and service managers see it, else 0.
int runLogger(const LoggerOptions& options);
