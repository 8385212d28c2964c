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
    // Publishing every row to an MQTT broker; without mqttUrl nothing is published.
    std::optional<std::string> mqttUrl;
    std::optional<std::string> mqttPasswordFile;
    std::optional<std::string> mqttCa;
    std::optional<std::string> name;
    std::optional<std::string> haDiscovery;
    std::string mqttPassword;  // read from the password file or credential, never the command line
};

enum class CommandLineAction { run, help, usageError };

// Reads the arguments after the program's name.
CommandLineAction parseCommandLine(std::span<const std::string_view> arguments, LoggerOptions& options);

std::string usageText();
