// The command-line options: where the board and the log file are, and an answer to the prompt.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// An input's settings from the settings file; unset ones keep the input's defaults.
struct AnalogOptions {
    std::optional<std::string> label;
    std::optional<std::string> unit;
    std::optional<double> scale;
    std::optional<double> offset;
    std::optional<int> decimals;
    std::optional<std::string> haDeviceClass;
};

struct DigitalOptions {
    std::optional<std::string> label;
    std::optional<std::string> openText;
    std::optional<std::string> closedText;
    std::optional<std::string> haDeviceClass;
};

// What can be set, from the command line or the settings file. Texts hold Latin-1 bytes, paths
// the bytes the file system names them with.
struct LoggerOptions {
    bool setup = false;    // --setup: the settings window alone
    bool desktop = false;  // started from the desktop: the settings window at need, boxes for texts
    std::optional<std::string> settingsFile;
    std::optional<std::string> service;  // the service instance's name
    std::optional<std::string> host;
    std::optional<int> port;
    std::optional<std::string> logFile;
    std::optional<std::string> interval;  // answers the interval prompt
    std::optional<std::string> schedule;  // "drift" or "aligned"
    std::array<AnalogOptions, 4> analog;
    std::array<DigitalOptions, 4> digital;
    // Publishing every row to an MQTT broker; without mqttUrl nothing is published.
    std::optional<std::string> mqttUrl;
    std::optional<std::string> mqttPasswordFile;
    std::optional<std::string> mqttCa;
    std::optional<std::string> name;
    std::optional<std::string> haDiscovery;
    std::string mqttPassword;  // read from the password file or credential, never the command line
};

enum class CommandLineAction { run, help, usageError };

// Reads the arguments after the program's name; for a usage error, says in problem what is wrong.
CommandLineAction parseCommandLine(std::span<const std::string_view> arguments, LoggerOptions& options,
                                   std::string* problem = nullptr);

// The usage of this build: only the options it takes, with this machine's default places.
std::string usageText();
