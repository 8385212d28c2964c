// The settings window: the settings file's values in a window of its own, checked on saving by
// the same reader that reads the file at start, and written back whole.
#pragma once

#include <string>

#include "settings/Settings.h"

// What the window's button for saving says: at the first start the logger starts afterwards.
enum class SettingsPurpose { edit, firstStart };

enum class SettingsOutcome { saved, cancelled, noWindow };

// Shows the settings of the file at path (its defaults where it has none, or does not exist),
// until they are saved there or the window is closed.
SettingsOutcome runSettingsWindow(const std::string& path, SettingsPurpose purpose, SettingRows rows = settingRows);
