// The settings file (TOML): the board, the log, each input's name, unit and scaling, and MQTT.
// It fills what the command line leaves open; without it every setting keeps its default.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "driver/CommandLine.h"

struct LoggerState;

// The longest texts, in characters: what the window's controls hold (labels 130 px wide, units
// 70 px, states 140 px).
inline constexpr std::size_t labelLimit = 24;
inline constexpr std::size_t unitLimit = 10;
inline constexpr std::size_t stateTextLimit = 20;
// The most places after the point that a quantity takes.
inline constexpr int decimalsLimit = 6;

// Where a file went wrong, for one line of the usage error: "logger.toml:12:9: analog.2.scale:
// a number is needed". Line and column are 0 where the file as a whole is meant.
struct SettingsProblem {
    std::string file;
    int line = 0;
    int column = 0;
    std::string key;  // empty for the syntax or the file itself
    std::string what;    // in English, UTF-8
    std::string german;  // the same in German, Latin-1, for the settings window
};
std::string problemText(const SettingsProblem& problem);

// Reads the settings file that the options name (--settings), else the service instance's or
// the user's own where it exists, into what the command line left unset; then the service's own
// defaults. Empty, or the problem for the usage error.
std::string loadSettings(LoggerOptions& options);

// Reads the settings into options, whose fields are all unset before. False with the problem
// when the file cannot be read or any setting is wrong; name stands for the file in the problem.
bool readSettingsFile(const std::string& path, LoggerOptions& options, SettingsProblem& problem);
bool readSettingsText(std::string_view text, const std::string& name, LoggerOptions& options,
                      SettingsProblem& problem);

// Sets in options what it lacks and fromFile has: the command line wins.
void mergeSettings(LoggerOptions& options, const LoggerOptions& fromFile);

// The settings file as the settings window writes it: the example file's pattern, every setting
// at its default and commented out but for the given ones, each a key ("analog.2.scale") with its
// value already written as TOML.
struct GivenSetting {
    std::string key;
    std::string value;
};
std::string settingsFileText(const std::vector<GivenSetting>& given);

// A Latin-1 text as a TOML string, in quotes, as UTF-8; and a UTF-8 one.
std::string tomlText(std::string_view latin1);
std::string tomlUtf8Text(std::string_view utf8);

// The board, the log, the schedule and the inputs' settings of options into the state record.
void applySettings(LoggerState& state, const LoggerOptions& options);
