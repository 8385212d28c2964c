// The command-line options: where the board and the log file are, and an answer to the prompt.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

struct LoggerOptions {
    std::optional<std::string> host;
    std::optional<int> port;
    std::optional<std::string> logFile;
    std::optional<std::string> interval;  // answers the interval prompt
};

enum class CommandLineAction { run, help, usageError };

// Reads the arguments after the program's name.
CommandLineAction parseCommandLine(std::span<const std::string_view> arguments, LoggerOptions& options);

std::string usageText();
