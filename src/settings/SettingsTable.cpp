// The settings, one row per key, in the order of the settings file and the settings window; and
// what is read from the table alone, which the report takes without the rest of the settings.
#include "settings/Settings.h"

#include <algorithm>

namespace {

using K = SettingKind;
using C = SettingCheck;
using S = Settings;
using A = AnalogInput;
using D = DigitalInput;

// For a row whose kind alone says what is needed.
constexpr Words noWords = {nullptr, nullptr};
constexpr SettingChoice schedules[] = {
    {"drift", "gleitend: ein Intervall nach jeder Zeile (drift)"},
    {"aligned", "ausgerichtet: auf ganze Vielfache (aligned)"},
};

// Texts of the window's states, the log's column titles: as wide as the window's controls.
constexpr double labelLimit = 24;
constexpr double unitLimit = 10;
constexpr double stateTextLimit = 20;
// The most places after the point that a quantity takes: the log's values read back exactly.
constexpr double decimalsLimit = 6;

constexpr SettingRow rows[] = {
    {"board", "host", "--host", K::text, C::host, 1, 253, "192.168.1.90", nullptr, "Adresse",
     {"an address or host name without blanks is needed",
      "eine Adresse oder ein Rechnername ohne Leerzeichen ist n\xF6tig"},
     &S::boardHost, {"&Adresse des Boards:", 120, 150}, false, false,
     "The board's address or host name. The board comes set to 192.168.1.90.\n"},
    {"board", "port", "--port", K::whole, C::none, 1, 65535, "50290", nullptr, "Port",
     {"a port from {low} to {high} is needed", "ein Port von {low} bis {high} ist n\xF6tig"},
     &S::boardPort, {"P&ort:", 34, 60, false, WindowExtra::connectionTest}, false, false,
     "The board's TCP port, 1 to 65535.\n"},

    {"log", "file", "--log-file", K::path, C::none, 1, 0, nullptr, "/home/anna/AVR-NET-IO.CSV", "Logdatei",
     {"a file name is needed", "ein Dateiname ist n\xF6tig"},
     &S::logFilePath, {"&Logdatei:", 120, 474, false, WindowExtra::browse}, false, false,
     "The CSV log file. Default: AVR-NET-IO.CSV in the home folder; C:\\AVR-NET-IO.CSV on Windows;\n"
     "/var/lib/avrnetio-logger/NAME.csv for the service NAME.\n"},
    {"log", "interval", "--interval", K::text, C::interval, 0, 0, "S10", nullptr, "Intervall",
     {"not an interval: a unit letter S, M, H or D and a number, at least one second (S10, M1.5)",
      "kein Intervall: ein Buchstabe S, M, H oder D und eine Zahl, mindestens eine Sekunde (S10, M1.5)"},
     &S::interval, {"&Intervall:", 120, 80, true, WindowExtra::askEveryStart}, false, false,
     "How often a row is logged: a unit letter S, M, H or D (seconds, minutes, hours, days) and a\n"
     "number with a decimal point, at least one second. Left out, the logger asks at every start\n"
     "(the service takes S10).\n"},
    {"log", "schedule", "--schedule", K::choice, C::none, 0, 0, "drift", nullptr, "Zeitplan",
     {"drift or aligned is needed", "drift oder aligned ist n\xF6tig"},
     &S::schedule, {"&Zeitplan:", 70, 276}, false, false,
     "\"drift\": a row an interval after the last one's work, which adds its own time (the default).\n"
     "\"aligned\": rows on the whole multiples of the interval, counted from midnight: S1 on every\n"
     "second, M1 on the minute, H1 on the hour; a cycle that runs late skips to the next one.\n",
     schedules},

    {"analog", "label", nullptr, K::shown, C::label, 1, labelLimit, "Analog-Eingang Nr. #", nullptr, "Bezeichnung",
     {"ends in ], which the log's column title keeps for the unit",
      "endet auf ], das in der Spalten\xFC" "berschrift der Logdatei die Einheit schlie\xDFt"},
     &A::label, {"Bezeichnung", 0, 150}, false, false,
     "The name in the window, the log, Home Assistant and the report; at most 24 characters.\n"},
    {"analog", "unit", nullptr, K::shown, C::unit, 1, unitLimit, "Volt", nullptr, "Einheit",
     {"holds [ or ], which enclose the unit in the log's column title",
      "enth\xE4lt [ oder ], die in der Spalten\xFC" "berschrift der Logdatei die Einheit einschlie\xDF" "en"},
     &A::unit, {"Einheit", 0, 70}, false, true, "At most 10 characters, without [ and ].\n"},
    {"analog", "scale", nullptr, K::number, C::nonZero, 0, 0, "0.0048828", nullptr, "Skala",
     {"0 would make every value the offset", "0 machte jeden Wert zum Offset"},
     &A::scale, {"Skala", 0, 84}, false, true,
     "Units per step of the board's reading (0 to 1023 for 0 to 5 V). An LM35 (10 mV per degree):\n"
     "scale = 0.48828 and unit = \"\xC2\xB0" "C\"; a TMP36 also takes offset = -50.\n"},
    {"analog", "offset", nullptr, K::number, C::none, 0, 0, "0.0", nullptr, "Offset", noWords,
     &A::offset, {"Offset", 0, 70}, false, true, ""},
    {"analog", "decimals", nullptr, K::whole, C::none, 0, decimalsLimit, "2", nullptr, "Nachkommastellen",
     {"{low} to {high} decimals are possible", "{low} bis {high} Nachkommastellen sind m\xF6glich"},
     &A::decimals, {"Stellen", 0, 44}, false, true, "Places after the decimal point, 0 to 6.\n"},
    {"analog", "ha_device_class", nullptr, K::text, C::none, 0, 0, "voltage", nullptr, "Home-Assistant-Klasse",
     noWords, &A::haDeviceClass, {"Home-Assistant-Klasse", 0, 120}, false, false,
     "Home Assistant's device class, such as \"temperature\" or \"humidity\"; \"\" for none. It must suit\n"
     "the unit as Home Assistant has it (\xC2\xB0" "C, \xC2\xB0" "F or K for a temperature). Left out: \"voltage\" while\n"
     "the unit is a volt, none otherwise.\n"},

    {"digital", "label", nullptr, K::shown, C::none, 1, labelLimit, "Digital-Eingang Nr. #", nullptr, "Bezeichnung",
     noWords, &D::label, {"Bezeichnung", 0, 150}, false, false, "At most 24 characters.\n"},
    {"digital", "open", nullptr, K::shown, C::none, 1, stateTextLimit, "OFFEN", nullptr, "Text offen", noWords,
     &D::openText, {"Text offen", 0, 140}, false, false,
     "The window's words for the two states, at most 20 characters each; closed shows in red.\n"},
    {"digital", "closed", nullptr, K::shown, C::none, 1, stateTextLimit, "GESCHLOSSEN", nullptr, "Text geschlossen",
     noWords, &D::closedText, {"Text geschlossen", 0, 140}, false, false, ""},
    {"digital", "ha_device_class", nullptr, K::text, C::binarySensorClass, 0, 0, "", nullptr,
     "Home-Assistant-Klasse", noWords, &D::haDeviceClass, {"Home-Assistant-Klasse", 0, 120}, false, false,
     "Home Assistant's device class, such as \"door\", \"window\" or \"opening\" (on when open) or\n"
     "\"problem\" (on when closed); \"\" for none.\n"},

    {"mqtt", "url", "--mqtt", K::text, C::none, 0, 0, "", "mqtts://logger@broker.example", "MQTT-Broker",
     noWords, &S::mqttUrl, {"&MQTT-Broker (URL):", 120, 250}, true, false,
     "mqtt://[USER@]HOST[:PORT], or mqtts:// for TLS. Left out, nothing is published.\n"},
    {"mqtt", "name", "--name", K::text, C::none, 0, 0, "", "cellar", "Name", noWords, &S::name,
     {"&Name:", 50, 100}, true, false,
     "The logger's name in the topics (avrnetio/NAME/state) and in Home Assistant: letters, digits,\n"
     "'_' and '-'. Default: the board's address, such as 192-168-1-90.\n"},
    {"mqtt", "ha_discovery", "--ha-discovery", K::text, C::none, 0, 0, "homeassistant", nullptr,
     "Discovery-Pr\xE4" "fix", noWords, &S::haDiscovery, {"Discovery-&Pr\xE4" "fix:", 100, 96}, true, false,
     "Home Assistant's discovery prefix, or \"off\" for no discovery.\n"},
    {"mqtt", "password_file", "--mqtt-password-file", K::path, C::none, 0, 0, "",
     "/home/anna/.config/avrnetio-logger/mqtt-password", "Passwortdatei", noWords, &S::mqttPasswordFile,
     {"Pass&wortdatei:", 120, 250, true}, true, false,
     "The broker password for USER: the first line of this file (the service takes it from\n"
     "/etc/avrnetio-logger/mqtt-password instead). Never the password itself in this file.\n"},
    {"mqtt", "ca", "--mqtt-ca", K::path, C::none, 0, 0, "", "/etc/avrnetio-logger/ca.pem", "CA-Datei", noWords,
     &S::mqttCa, {"&CA-Datei:", 60, 296}, true, false, "CA certificates for mqtts. Default: the system's.\n"},
};

constexpr SettingSection sections[] = {
    {"board", nullptr, "", {100, 12, 38}},
    {"log", nullptr, "", {110, 62, 116}},
    {"analog", "Analog",
     "Each analog input, [analog.1] to [analog.4]. Without unit, scale, offset and decimals it logs\n"
     "the board's reading in volts with four characters (2.50, 48.8, -0.0). Any of them makes it a\n"
     "quantity: value = reading * scale + offset, in unit, with exactly decimals places; the log's\n"
     "column is then called \"LABEL [UNIT]\", and a reading without a number leaves its field empty.\n",
     {300, 160, 266}},
    {"digital", "Digital",
     "Each digital input, [digital.1] to [digital.4]. The log writes 1 for closed and 0 for open.\n", {400, 310, 416}},
    {"mqtt", nullptr, "Publishing every row to an MQTT broker, for Home Assistant and the like (not on Windows).\n",
     {220, 442, 494}},
};

}  // namespace

const SettingRows settingRows = rows;
const std::span<const SettingSection> settingSections = sections;

const char* const settingsFileIntroduction =
    "Settings of the AVR-NET-IO data logger, avrnetio-logger.\n"
    "\n"
    "Every setting stands here at its default, commented out: take away the \"#\" in front of a line\n"
    "(and of its [section] line) to set it. A setting left out keeps its default. An option given\n"
    "on the command line wins over the same setting here.\n"
    "\n"
    "Where the logger looks for its settings:\n"
    "  on the Linux desktop   ~/.config/avrnetio-logger/logger.toml ($XDG_CONFIG_HOME/avrnetio-logger/)\n"
    "  on Windows             %APPDATA%\\AVR-NET-IO Logger\\logger.toml\n"
    "  the service board1     /etc/avrnetio-logger/board1.toml (avrnetio-logger@board1.service)\n"
    "  or the file that --settings FILE names.\n"
    "Texts are written in quotes, in UTF-8; labels, units and state texts must be Latin-1 characters\n"
    "without commas. A wrong setting stops the logger with a message that names its line.\n";

const SettingRow* rowOf(SettingField field, SettingRows rows)
{
    const auto found = std::ranges::find(rows, field, &SettingRow::field);
    return found == rows.end() ? nullptr : &*found;
}

std::string fallbackText(const SettingRow& row, std::size_t input)
{
    std::string text = row.fallback ? row.fallback : "";
    std::ranges::replace(text, '#', static_cast<char>('1' + input));
    return text;
}
