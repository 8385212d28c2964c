// The settings file (TOML): read and checked key by key through the table, and written whole.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/Messages.h"
#include "settings/Settings.h"

// Where a file went wrong, for one line of the usage error: "logger.toml:12:9: analog.2.scale:
// a number is needed". Line and column are 0 where the file as a whole is meant.
struct SettingsProblem {
    std::string file;
    int line = 0;
    int column = 0;
    std::string key;  // empty for the syntax or the file itself
    std::string what;    // in English
    std::string german;  // the same in German, for the settings window too
};
// The problem in one line; without a file, what alone.
std::string problemText(const SettingsProblem& problem, Language language = Language::english);

// Reads the file that namedFile names, else the service instance's or the user's own where it
// exists, into the keys that settings (from the command line) does not give; then the service's
// own defaults. The problem for the usage error, or none (what empty).
SettingsProblem loadSettings(Settings& settings, const std::optional<std::string>& namedFile,
                             const std::optional<std::string>& service);

// Reads the settings into settings, which holds the defaults; name stands for the file in the
// problem. False with the problem when the file cannot be read or any setting is wrong.
bool readSettingsFile(const std::string& path, Settings& settings, SettingsProblem& problem,
                      SettingRows rows = settingRows);
bool readSettingsText(std::string_view text, const std::string& name, Settings& settings, SettingsProblem& problem,
                      SettingRows rows = settingRows);

// The settings file as the settings window writes it: every setting at its default and
// commented out but for the given ones, each a key ("analog.2.scale") with its value already
// written as TOML. The example file holds the sections of the first input only.
struct GivenSetting {
    std::string key;
    std::string value;
};
std::string settingsFileText(const std::vector<GivenSetting>& given, SettingRows rows = settingRows,
                             std::size_t inputs = 4);

// A Latin-1 text as a TOML string, in quotes, as UTF-8; and a UTF-8 one.
std::string tomlText(std::string_view latin1);
std::string tomlUtf8Text(std::string_view utf8);
// A field's text as the window shows it, as the row's TOML value: a number where it reads as one
// of the kind, else in quotes, so that the reader says what is needed.
std::string tomlValue(const SettingRow& row, const std::string& text);
