// The command line: where the settings are, how the logger starts, and the settings that have
// an option of their own.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "driver/Messages.h"
#include "settings/Settings.h"

struct StartOptions {
    bool setup = false;    // --setup: the settings window alone
    bool desktop = false;  // started from the desktop: the settings window at need, boxes for texts
    bool forget = false;   // --forget: removes what the broker keeps of the logger, and ends
    std::optional<std::string> settingsFile;
    std::optional<std::string> service;  // the service instance's name
};

enum class CommandLineAction { run, help, usageError };

// Reads the arguments after the program's name into start and, as given keys, into settings;
// for a usage error, says in problem what is wrong.
CommandLineAction parseCommandLine(std::span<const std::string_view> arguments, StartOptions& start,
                                   Settings& settings, Message* problem = nullptr, SettingRows rows = settingRows);

// The usage of this build: only the options it takes, with this machine's default places.
Message usageText();
