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

constexpr Words intervalWords = {
    "not an interval: a unit letter S, M, H or D and a number, at least one second (S10, M1.5)",
    "kein Intervall: ein Buchstabe S, M, H oder D und eine Zahl, mindestens eine Sekunde (S10, M1.5)"};

constexpr SettingRow rows[] = {
    {"board", "host", "--host", K::text, C::host, 1, 253, "192.168.1.90", nullptr, "Adresse",
     {"an IPv4 address or a host name of letters, digits, '.', '-' and '_' is needed",
      "eine IPv4-Adresse oder ein Rechnername aus Buchstaben, Ziffern, '.', '-' und '_' ist n\xF6tig"},
     &S::boardHost, {"&Adresse des Boards:", 120, 150}, false, false},
    {"board", "port", "--port", K::whole, C::none, 1, 65535, "50290", nullptr, "Port",
     {"a port from {low} to {high} is needed", "ein Port von {low} bis {high} ist n\xF6tig"},
     &S::boardPort, {"P&ort:", 34, 60, false, WindowExtra::connectionTest}, false, false},

    {"log", "file", "--log-file", K::path, C::none, 1, 0, nullptr, "/home/anna/AVR-NET-IO.CSV", "Logdatei",
     {"a file name is needed", "ein Dateiname ist n\xF6tig"},
     &S::logFilePath, {"&Logdatei:", 120, 474, false, WindowExtra::browse}, false, false},
    {"log", "interval", "--interval", K::text, C::interval, 0, 0, "S10", nullptr, "Intervall", intervalWords,
     &S::interval, {"&Intervall:", 120, 80, true, WindowExtra::askEveryStart}, false, false},
    {"log", "schedule", "--schedule", K::choice, C::none, 0, 0, "drift", nullptr, "Zeitplan",
     {"drift or aligned is needed", "drift oder aligned ist n\xF6tig"},
     &S::schedule, {"&Zeitplan:", 70, 276}, false, false, schedules},

    {"analog", "label", nullptr, K::shown, C::analogLabel, 1, labelLimit, "Analog-Eingang Nr. #", nullptr, "Bezeichnung",
     {"ends in ], which the log's column title keeps for the unit",
      "endet auf ], das in der Spalten\xFC" "berschrift der Logdatei die Einheit schlie\xDFt"},
     &A::label, {"Bezeichnung", 0, 150}, false, false},
    // Empty for a class of no unit only, which the file's reader judges with the class.
    {"analog", "unit", nullptr, K::shown, C::unit, 0, unitLimit, "Volt", nullptr, "Einheit",
     {"holds [ or ], which enclose the unit in the log's column title",
      "enth\xE4lt [ oder ], die in der Spalten\xFC" "berschrift der Logdatei die Einheit einschlie\xDF" "en"},
     &A::unit, {"Einheit", 0, 70}, false, true},
    {"analog", "scale", nullptr, K::number, C::nonZero, 0, 0, "0.0048828", nullptr, "Skala",
     {"0 would make every value the offset", "0 machte jeden Wert zum Offset"},
     &A::scale, {"Skala", 0, 84}, false, true},
    {"analog", "offset", nullptr, K::number, C::none, 0, 0, "0.0", nullptr, "Offset", noWords,
     &A::offset, {"Offset", 0, 70}, false, true},
    {"analog", "decimals", nullptr, K::whole, C::none, 0, decimalsLimit, "2", nullptr, "Nachkommastellen",
     {"{low} to {high} decimals are possible", "{low} bis {high} Nachkommastellen sind m\xF6glich"},
     &A::decimals, {"Stellen", 0, 44}, false, true},
    {"analog", "ha_device_class", nullptr, K::text, C::none, 0, 0, "voltage", nullptr, "Home-Assistant-Klasse",
     noWords, &A::haDeviceClass, {"Home-Assistant-Klasse", 0, 120}, false, false},
    // Its default follows the class; too wide for the window beside the preview.
    {"analog", "ha_state_class", nullptr, K::text, C::stateClass, 0, 0, "measurement", nullptr,
     "Home-Assistant-Zustandsklasse",
     {"measurement, total, total_increasing or measurement_angle is needed",
      "measurement, total, total_increasing oder measurement_angle ist n\xF6tig"},
     &A::haStateClass, {"Zustandsklasse", 0, 0}, false, false},
    {"analog", "alarm_above", nullptr, K::number, C::none, 0, 0, nullptr, "25.0", "Alarm oberhalb", noWords,
     &A::alarmAbove, {"Alarm \xFC" "ber", 0, 70, false, WindowExtra::none, 1}, true, false},
    {"analog", "alarm_below", nullptr, K::number, C::none, 0, 0, nullptr, "2.0", "Alarm unterhalb", noWords,
     &A::alarmBelow, {"Alarm unter", 0, 70, false, WindowExtra::none, 1}, true, false},
    {"analog", "alarm_hysteresis", nullptr, K::number, C::notNegative, 0, 0, "0.0", nullptr, "Hysterese",
     {"0 or more is needed", "0 oder mehr ist n\xF6tig"}, &A::alarmHysteresis, {"Hysterese", 0, 70, false, WindowExtra::none, 1}, false, false},
    {"analog", "alarm_after", nullptr, K::text, C::interval, 0, 0, nullptr, "M5", "Alarmverz\xF6gerung", intervalWords,
     &A::alarmAfter, {"Verz\xF6gerung", 0, 80, false, WindowExtra::none, 1}, true, false},

    {"digital", "label", nullptr, K::shown, C::label, 1, labelLimit, "Digital-Eingang Nr. #", nullptr, "Bezeichnung",
     noWords, &D::label, {"Bezeichnung", 0, 150}, false, false},
    {"digital", "open", nullptr, K::shown, C::none, 1, stateTextLimit, "OFFEN", nullptr, "Text offen", noWords,
     &D::openText, {"Text offen", 0, 140}, false, false},
    {"digital", "closed", nullptr, K::shown, C::none, 1, stateTextLimit, "GESCHLOSSEN", nullptr, "Text geschlossen",
     noWords, &D::closedText, {"Text geschlossen", 0, 140}, false, false},
    {"digital", "ha_device_class", nullptr, K::text, C::binarySensorClass, 0, 0, "", nullptr,
     "Home-Assistant-Klasse", noWords, &D::haDeviceClass, {"Home-Assistant-Klasse", 0, 120}, false, false},
    {"digital", "alarm_when", nullptr, K::text, C::alarmWhen, 0, 0, nullptr, "closed", "Alarm wenn",
     {"open or closed is needed", "open oder closed ist n\xF6tig"}, &D::alarmWhen, {"Alarm wenn (open/closed)", 0, 150, false, WindowExtra::none, 1}, true, false},
    {"digital", "alarm_after", nullptr, K::text, C::interval, 0, 0, nullptr, "M5", "Alarmverz\xF6gerung", intervalWords,
     &D::alarmAfter, {"Verz\xF6gerung", 0, 80, false, WindowExtra::none, 1}, true, false},

    {"mqtt", "url", "--mqtt", K::text, C::mqttUrl, 0, 0, "", "mqtts://logger@broker.example", "MQTT-Broker",
     noWords, &S::mqttUrl, {"&MQTT-Broker (URL):", 120, 250}, true, false},
    {"mqtt", "name", "--name", K::text, C::mqttName, 0, 0, "", "keller", "Name", noWords, &S::name,
     {"&Name:", 50, 100}, true, false},
    {"mqtt", "ha_discovery", "--ha-discovery", K::text, C::discoveryPrefix, 0, 0, "homeassistant", nullptr,
     "Discovery-Pr\xE4" "fix", noWords, &S::haDiscovery, {"Discovery-&Pr\xE4" "fix:", 100, 96}, true, false},
    {"mqtt", "password_file", "--mqtt-password-file", K::path, C::none, 0, 0, "",
     "/home/anna/.config/avrnetio-logger/mqtt-password", "Passwortdatei", noWords, &S::mqttPasswordFile,
     {"Pass&wortdatei:", 120, 250, true}, true, false},
    {"mqtt", "ca", "--mqtt-ca", K::path, C::none, 0, 0, "", "/etc/avrnetio-logger/ca.pem", "CA-Datei", noWords,
     &S::mqttCa, {"&CA-Datei:", 60, 296}, true, false},

    {"alarms", "board_silent_after", nullptr, K::text, C::interval, 0, 0, nullptr, "M1", "Alarm bei stummem Board",
     intervalWords, &S::boardSilentAfter, {"Board s&tumm nach:", 120, 70, false, WindowExtra::none, 1}, true, false},
    {"alarms", "command", nullptr, K::list, C::none, 0, 0, nullptr, "/usr/local/bin/alarm-mail\x1F" "Gefriertruhe",
     "Alarmbefehl", {"the program and its arguments, a list of texts without control characters, are needed",
                     "das Programm und seine Argumente, eine Liste von Texten ohne Steuerzeichen, sind n\xF6tig"},
     &S::alarmCommand, {"Befe&hl:", 50, 406, false, WindowExtra::none, 1}, true, false},
    {"alarms", "file", nullptr, K::path, C::none, 1, 0, nullptr, "/home/anna/AVR-NET-IO-alarme.CSV", "Alarmdatei",
     {"a file name is needed", "ein Dateiname ist n\xF6tig"}, &S::alarmFile, {"Alarmdatei:", 120, 330, true, WindowExtra::none, 1}, true, false},
    {"alarms", "sound", nullptr, K::flag, C::none, 0, 0, "true", nullptr, "Alarmton", noWords, &S::alarmSound,
     {"eigener Ton", 0, 110, false, WindowExtra::none, 1}, false, false},
    {"alarms", "notify", nullptr, K::flag, C::none, 0, 0, "true", nullptr, "Benachrichtigung", noWords, &S::alarmNotify,
     {"Benachrichtigung", 0, 150, false, WindowExtra::none, 1}, false, false},

    {"window", "course", "--course", K::flag, C::none, 0, 0, "false", nullptr, "Verlauf-Fenster", noWords, &S::course,
     {"&Kurven der Eing\xE4nge im Verlauf-Fenster zeigen", 0, 330}, false, false},
};

constexpr SettingSection sections[] = {
    {"board", nullptr, 100, 12, 38},
    {"log", nullptr, 110, 62, 116},
    {"analog", "Analog", 300, 160, 266},
    {"digital", "Digital", 400, 310, 416},
    {"mqtt", nullptr, 220, 442, 494},
    {"alarms", nullptr, 500, 442, 494},
    {"window", nullptr, 600, 520, 542},
};

}  // namespace

const SettingRows settingRows = rows;
const std::span<const SettingSection> settingSections = sections;

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
