// The settings file: every key taken and refused with its message, which file is read, and what
// the settings make of the state record.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "display/SettingsWindow.h"
#include "driver/CommandLine.h"
#include "driver/LoggerState.h"
#include "logging/LogFormat.h"
#include "publish/Publishing.h"
#include "settings/SettingsFile.h"
#include "fakes/fake_platform.h"
#include "platform/window.h"

#include <sys/stat.h>

namespace {

TEST(Settings, EveryKeyIsTaken)
{
    const std::string file = "# a comment\n"
                             "[board]\nhost = \"127.0.0.1\"\nport = 4000\n"
                             "[log]\nfile = \"/tmp/K\xC3\xBChlraum.csv\"\ninterval = \"m1.5\"\nschedule = \"aligned\"\n"
                             "[analog.1]\nlabel = \"Keller\"\nunit = \"\xC2\xB0" "C\"\nscale = 0.48828\noffset = -0.5\n"
                             "decimals = 1\nha_device_class = \"temperature\"\n"
                             "[analog.4]\nscale = 10\nha_device_class = \"\"\nha_state_class = \"total_increasing\"\n"
                             "[digital.1]\nlabel = \"Haust\xC3\xBCr\"\nopen = \"offen\"\nclosed = \"zu\"\n"
                             "ha_device_class = \"door\"\n"
                             "[mqtt]\nurl = \"mqtts://logger@127.0.0.1\"\npassword_file = \"/etc/pw\"\nca = \"/etc/ca.pem\"\n"
                             "name = \"cellar\"\nha_discovery = \"off\"\n"
                             "[window]\ncourse = true\n";
    Settings options = defaultSettings();
    SettingsProblem problem;
    ASSERT_TRUE(readSettingsText(file, "logger.toml", options, problem)) << problemText(problem);
    EXPECT_EQ(options.boardHost, "127.0.0.1");
    EXPECT_EQ(options.boardPort, 4000);
    EXPECT_EQ(options.logFilePath, "/tmp/K\xC3\xBChlraum.csv");  // a path keeps the file system's bytes
    EXPECT_EQ(options.interval, "m1.5");
    EXPECT_EQ(options.schedule, Schedule::aligned);
    EXPECT_EQ(options.analog[0].label, "Keller");
    EXPECT_EQ(options.analog[0].unit, "\xB0" "C");  // a text is Latin-1
    EXPECT_EQ(options.analog[0].scale, 0.48828);
    EXPECT_EQ(options.analog[0].offset, -0.5);
    EXPECT_EQ(options.analog[0].decimals, 1);
    EXPECT_EQ(options.analog[0].haDeviceClass, "temperature");
    EXPECT_EQ(options.analog[3].scale, 10.0);  // a whole number is a number too
    EXPECT_EQ(options.analog[3].haStateClass, "total_increasing");
    EXPECT_FALSE(isGiven(options, &AnalogInput::label, 1) || isGiven(options, &AnalogInput::scale, 1));
    EXPECT_EQ(options.digital[0].label, "Haust\xFCr");
    EXPECT_EQ(options.digital[0].openText, "offen");
    EXPECT_EQ(options.digital[0].closedText, "zu");
    EXPECT_EQ(options.digital[0].haDeviceClass, "door");
    EXPECT_EQ(options.mqttUrl, "mqtts://logger@127.0.0.1");
    EXPECT_EQ(options.mqttPasswordFile, "/etc/pw");
    EXPECT_EQ(options.mqttCa, "/etc/ca.pem");
    EXPECT_EQ(options.name, "cellar");
    EXPECT_EQ(options.haDiscovery, "off");
    EXPECT_TRUE(options.course);

    Settings none = defaultSettings();
    ASSERT_TRUE(readSettingsText("", "empty.toml", none, problem));
    EXPECT_TRUE(none.given.none());
}

TEST(Settings, TheExampleFileHoldsEveryKeyAtItsDefault)
{
    // Every setting of the shipped example, taken out of its comment, is one the reader takes.
    std::ifstream example(std::filesystem::path(__FILE__).parent_path().parent_path() / "packaging" / "example.toml");
    ASSERT_TRUE(example);
    std::string file;
    int settings = 0;
    // It is the table's own file, line by line.
    std::istringstream written(settingsFileText({}, settingRows, 1));
    std::string expected;
    for (std::string line; std::getline(example, line);) {
        EXPECT_TRUE(std::getline(written, expected) && line == expected) << line << "\n" << expected;
        const bool setting = line.starts_with("#[") || (line.starts_with("#") && line.find(" = ") != std::string::npos &&
                                                         line.find_first_of(" ") == line.find(" = "));
        settings += setting;
        file += (setting ? line.substr(1) : line) + "\n";
    }
    EXPECT_FALSE(std::getline(written, expected)) << expected;
    Settings options = defaultSettings();
    SettingsProblem problem;
    ASSERT_TRUE(readSettingsText(file, "example.toml", options, problem)) << problemText(problem);
    EXPECT_EQ(settings, 7 + 2 + 3 + 11 + 6 + 5 + 5 + 1);  // seven sections and their keys
    EXPECT_EQ(options.boardHost, "192.168.1.90");
    EXPECT_EQ(options.boardPort, 50290);
    EXPECT_EQ(options.interval, "S10");
    EXPECT_EQ(options.analog[0].scale, 0.0048828);
    EXPECT_EQ(options.digital[0].closedText, "GESCHLOSSEN");
}

TEST(Settings, TheWrittenFileReadsBackAsGiven)
{
    const std::string file = settingsFileText({{"board.host", tomlText("127.0.0.1")},
                                               {"board.port", "4000"},
                                               {"analog.2.unit", tomlText("\xB0" "C")},
                                               {"analog.2.scale", "0.48828"},
                                               {"digital.4.closed", tomlText("zu \"fest\" \\")},
                                               {"log.schedule", tomlText("aligned")}});
    Settings options = defaultSettings();
    SettingsProblem problem;
    ASSERT_TRUE(readSettingsText(file, "logger.toml", options, problem)) << problemText(problem) << "\n" << file;
    EXPECT_EQ(options.boardHost, "127.0.0.1");
    EXPECT_EQ(options.boardPort, 4000);
    EXPECT_EQ(options.analog[1].unit, "\xB0" "C");
    EXPECT_EQ(options.analog[1].scale, 0.48828);
    EXPECT_EQ(options.digital[3].closedText, "zu \"fest\" \\");
    EXPECT_EQ(options.schedule, Schedule::aligned);
    EXPECT_FALSE(isGiven(options, &Settings::interval) || isGiven(options, &AnalogInput::unit, 0) ||
                 isGiven(options, &AnalogInput::label, 1) || isGiven(options, &Settings::mqttUrl));
    // Commented like the example, every input's section there.
    EXPECT_TRUE(file.starts_with("# Einstellungen des Datenloggers f\xC3\xBCr das AVR-NET-IO-Board")) << file;
    for (const char* line : {"\n[analog.2]\n", "\n#[analog.3]\n", "\n#label = \"Digital-Eingang Nr. 4\"\n",
                             "\n#interval = \"S10\"\n", "\n[board]\n"})
        EXPECT_NE(file.find(line), std::string::npos) << line << " in\n" << file;
}

TEST(Settings, WrongValuesAreRefusedWhereTheyStand)
{
    struct Case {
        const char* file;
        const char* message;
        const char* german = nullptr;  // where the table holds the German
    } const cases[] = {
        {"[board]\nhost = 127.0.0.1\n",
         "logger.toml:2:13: Error while parsing floating-point: expected decimal digit or exponent, saw '.'"},
        {"[board]\nhots = \"x\"\n", "logger.toml:2:1: board.hots: unknown setting"},
        {"[bord]\n", "logger.toml:1:2: bord: unknown section"},
        {"board = 1\n", "logger.toml:1:9: board: a section [board] is needed"},
        {"[board]\nport = \"50290\"\n", "logger.toml:2:8: board.port: a whole number is needed"},
        {"[analog.1]\nalarm_above = 1.0\nalarm_below = 2\n",
         "logger.toml:2:15: analog.1.alarm_above: needs to be greater than alarm_below"},
        {"[analog.2]\nalarm_hysteresis = -0.5\n", "logger.toml:2:20: analog.2.alarm_hysteresis: 0 or more is needed"},
        {"[digital.3]\nalarm_when = \"zu\"\n", "logger.toml:2:14: digital.3.alarm_when: open or closed is needed"},
        {"[alarms]\nboard_silent_after = \"X5\"\n",
         "logger.toml:2:22: alarms.board_silent_after: not an interval: a unit letter S, M, H or D and a number, at "
         "least one second (S10, M1.5)"},
        {"[board]\nport = 70000\n", "logger.toml:2:8: board.port: a port from 1 to 65535 is needed"},
        {"[board]\nhost = \"my board\"\n",
         "logger.toml:2:8: board.host: an IPv4 address or a host name of letters, digits, '.', '-' and '_' is needed"},
        {"[log]\ninterval = \"S0.5\"\n",
         "logger.toml:2:12: log.interval: not an interval: a unit letter S, M, H or D and a number, at least one "
         "second (S10, M1.5)"},
        {"[log]\nschedule = \"hourly\"\n", "logger.toml:2:12: log.schedule: drift or aligned is needed"},
        {"[log]\nfile = \"\"\n", "logger.toml:2:8: log.file: a file name is needed"},
        {"[analog.5]\n", "logger.toml:1:9: analog.5: inputs are numbered 1 to 4"},
        {"[analog.2]\nscale = \"0.5\"\n", "logger.toml:2:9: analog.2.scale: a number is needed"},
        {"[analog.2]\nscale = 0\n", "logger.toml:2:9: analog.2.scale: 0 would make every value the offset"},
        {"[analog.2]\nscale = nan\n", "logger.toml:2:9: analog.2.scale: a finite number is needed"},
        {"[analog.2]\noffset = -inf\n", "logger.toml:2:10: analog.2.offset: a finite number is needed"},
        {"[analog.2]\nscale = 1e9\n", "logger.toml:2:9: analog.2.scale: a reading of 9999 would give 10^12 or more"},
        {"[analog.2]\ndecimals = 7\n", "logger.toml:2:12: analog.2.decimals: 0 to 6 decimals are possible"},
        {"[analog.2]\ndecimals = 1.5\n", "logger.toml:2:12: analog.2.decimals: a whole number is needed"},
        {"[analog.1]\nlabel = \"Temperatur, innen\"\n",
         "logger.toml:2:9: analog.1.label: holds a comma, which would split the log's column"},
        {"[analog.1]\nlabel = \"Keller\\tunten\"\n", "logger.toml:2:9: analog.1.label: holds a control character"},
        {"[analog.1]\nlabel = \"Keller\\u0085\"\n", "logger.toml:2:9: analog.1.label: holds a control character"},
        {"[analog.1]\nlabel = \"Keller \xE2\x9C\x93\"\n",
         "logger.toml:2:9: analog.1.label: holds a character that the log and the window (Latin-1) cannot hold"},
        {"[analog.1]\nlabel = \"Temperatur im Kellerraum Nord\"\n",
         "logger.toml:2:9: analog.1.label: longer than 24 characters, more than the window shows"},
        {"[analog.1]\nlabel = \"\"\n", "logger.toml:2:9: analog.1.label: an empty text; a text is needed"},
        {"[analog.1]\nlabel = \"Keller [alt]\"\n",
         "logger.toml:2:9: analog.1.label: ends in ], which the log's column title keeps for the unit"},
        {"[analog.1]\nunit = \"[V]\"\n",
         "logger.toml:2:8: analog.1.unit: holds [ or ], which enclose the unit in the log's column title"},
        {"[analog.1]\nunit = \"Millivolt je\"\n",
         "logger.toml:2:8: analog.1.unit: longer than 10 characters, more than the window shows"},
        {"[analog.1]\nunit = \"\xC2\xB0" "C\"\nha_device_class = \"voltage\"\n",
         "logger.toml:3:19: analog.1.ha_device_class: Home Assistant takes voltage in \xB5V, mV, V, kV, MV, not \xB0" "C",
         "logger.toml:3:19: analog.1.ha_device_class: Home Assistant nimmt voltage in \xB5V, mV, V, kV, MV, nicht in "
         "\xB0" "C"},
        {"[analog.1]\nunit = \"BTU/h\"\nha_device_class = \"power\"\n",
         "logger.toml:3:19: analog.1.ha_device_class: Home Assistant takes power in mW, W, kW, MW, GW, TW, not BTU/h"},
        {"[analog.1]\nunit = \"\"\nha_device_class = \"voltage\"\n",
         "logger.toml:3:19: analog.1.ha_device_class: Home Assistant takes voltage in \xB5V, mV, V, kV, MV, "
         "not without a unit"},
        {"[analog.1]\nunit = \"\"\n",
         "logger.toml:2:8: analog.1.unit: is empty, which only a Home Assistant class of no unit takes: aqi, ph, "
         "power_factor"},
        {"[analog.1]\nha_state_class = \"totals\"\n",
         "logger.toml:2:18: analog.1.ha_state_class: measurement, total, total_increasing or measurement_angle is "
         "needed"},
        {"[analog.1]\nunit = \"kWh\"\nha_device_class = \"energy\"\nha_state_class = \"measurement\"\n",
         "logger.toml:4:18: analog.1.ha_state_class: Home Assistant takes energy as total, total_increasing, not as "
         "measurement"},
        {"[analog.1]\nunit = \"%\"\nha_device_class = \"\"\nha_state_class = \"measurement_angle\"\n",
         "logger.toml:4:18: analog.1.ha_state_class: Home Assistant takes measurement_angle in \xB0 only",
         "logger.toml:4:18: analog.1.ha_state_class: Home Assistant nimmt measurement_angle nur in \xB0"},
        {"[analog.1]\nunit = \"%\"\nha_device_class = \"temprature\"\n",
         "logger.toml:3:19: analog.1.ha_device_class: Home Assistant has no sensor class temprature"},
        {"[analog.1]\nunit = \"ppm\"\nha_device_class = \"timestamp\"\n",
         "logger.toml:3:19: analog.1.ha_device_class: Home Assistant's class timestamp is no measurement"},
        {"[analog.1]\nha_device_class = \"aqi\"\n",
         "logger.toml:2:19: analog.1.ha_device_class: Home Assistant takes aqi without a unit"},
        {"[analog.1]\nfactor = 2\n", "logger.toml:2:1: analog.1.factor: unknown setting"},
        {"[digital.3]\nha_device_class = \"dor\"\n",
         "logger.toml:2:19: digital.3.ha_device_class: Home Assistant has no binary sensor class dor",
         "logger.toml:2:19: digital.3.ha_device_class: Home Assistant kennt keine Bin\xE4rsensorklasse dor"},
        {"[digital.3]\nopen = \"GESCHLOSSEN\"\n",
         "logger.toml:2:8: digital.3.open: open and closed need texts of their own"},
        {"[digital.3]\nclosed = \"zu, verriegelt\"\n",
         "logger.toml:2:10: digital.3.closed: holds a comma, which would split the log's column"},
        {"[digital.3]\nclosed = \"ganz fest verschlossen\"\n",
         "logger.toml:2:10: digital.3.closed: longer than 20 characters, more than the window shows"},
        {"[mqtt]\nurl = 1883\n", "logger.toml:2:7: mqtt.url: a text in quotes is needed"},
        {"[window]\ncourse = \"yes\"\n", "logger.toml:2:10: window.course: true or false is needed"},
        {"[mqtt]\nuser = \"x\"\n", "logger.toml:2:1: mqtt.user: unknown setting"},
        // What a file can hold but the logger cannot honour.
        {"[board]\nhost = \"127.0.0.1:80\"\n",
         "logger.toml:2:8: board.host: an IPv4 address or a host name of letters, digits, '.', '-' and '_' is needed"},
        {"[board]\nhost = \"[::1]\"\n",
         "logger.toml:2:8: board.host: an IPv4 address or a host name of letters, digits, '.', '-' and '_' is needed"},
        {"[board]\nhost = \"::1\"\n",
         "logger.toml:2:8: board.host: an IPv4 address or a host name of letters, digits, '.', '-' and '_' is needed"},
        {"[board]\nhost = \"http://board\"\n",
         "logger.toml:2:8: board.host: an IPv4 address or a host name of letters, digits, '.', '-' and '_' is needed"},
        {"[board]\nhost = \"board\u00a0\"\n",
         "logger.toml:2:8: board.host: an IPv4 address or a host name of letters, digits, '.', '-' and '_' is needed"},
        {"[board]\nhost = \"board\u0085\"\n",
         "logger.toml:2:8: board.host: an IPv4 address or a host name of letters, digits, '.', '-' and '_' is needed"},
        {"[board]\nhost = \"bo\u200bard\"\n",
         "logger.toml:2:8: board.host: an IPv4 address or a host name of letters, digits, '.', '-' and '_' is needed"},
        {"[log]\ninterval = \"S2,9\"\n",
         "logger.toml:2:12: log.interval: not an interval: the number takes a decimal point, not a comma (S2.5)"},
        {"[log]\ninterval = \"S10xyz\"\n",
         "logger.toml:2:12: log.interval: not an interval: a unit letter S, M, H or D and a number, at least one second (S10, M1.5)"},
        {"[log]\ninterval = \"S 10\"\n",
         "logger.toml:2:12: log.interval: not an interval: a unit letter S, M, H or D and a number, at least one second (S10, M1.5)"},
        {"[log]\ninterval = \"S1e3\"\n",
         "logger.toml:2:12: log.interval: not an interval: a unit letter S, M, H or D and a number, at least one second (S10, M1.5)"},
        {"[log]\nfile = \"/tmp/a\\u0000.csv\"\n", "logger.toml:2:8: log.file: holds a control character"},
        {"[log]\nfile = \"/tmp/a\\nb.csv\"\n", "logger.toml:2:8: log.file: holds a control character"},
        {"[analog.1]\nlabel = \"\\\"Temp\"\n",
         "logger.toml:2:9: analog.1.label: holds a quotation mark, which CSV readers take for the start of a quoted field"},
        {"[analog.1]\nlabel = \"=HYPERLINK(1)\"\n",
         "logger.toml:2:9: analog.1.label: begins with =, +, - or @, which spreadsheets take for a formula"},
        {"[digital.2]\nlabel = \"+1\"\n",
         "logger.toml:2:9: digital.2.label: begins with =, +, - or @, which spreadsheets take for a formula"},
        {"[digital.2]\nlabel = \"-Tor\"\n",
         "logger.toml:2:9: digital.2.label: begins with =, +, - or @, which spreadsheets take for a formula"},
        {"[digital.2]\nlabel = \"@Tor\"\n",
         "logger.toml:2:9: digital.2.label: begins with =, +, - or @, which spreadsheets take for a formula"},
        {"[analog.1]\nlabel = \"   \"\n", "logger.toml:2:9: analog.1.label: holds nothing but blanks"},
        {"[analog.1]\nunit = \"\u00a0 \"\n", "logger.toml:2:8: analog.1.unit: holds nothing but blanks"},
        {"[analog.2]\nlabel = \"Tank\"\n[digital.3]\nlabel = \"Tank\"\n",
         "logger.toml:4:9: digital.3.label: the same as analog.2.label: each column needs a name of its own"},
        {"[analog.3]\nlabel = \"Analog-Eingang Nr. 1\"\n",
         "logger.toml:2:9: analog.3.label: the same as analog.1.label: each column needs a name of its own"},
        {"[analog.1]\nscale = 1.0\noffset = 300000000.0\ndecimals = 6\n",
         "logger.toml:4:12: analog.1.decimals: a reading of 9999 would give 10^8 or more, too much to keep 6 decimals exact"},
        {"[analog.1]\noffset = 999999990000.123456\ndecimals = 6\n",
         "logger.toml:3:12: analog.1.decimals: a reading of 9999 would give 10^8 or more, too much to keep 6 decimals exact"},
        {"[analog.1]\nscale = 1\noffset = 1e13\n",
         "logger.toml:3:10: analog.1.offset: a reading of 9999 would give 10^12 or more"},
        {"[mqtt]\nurl = \"http://broker\"\n",
         "logger.toml:2:7: mqtt.url: not an MQTT URL (mqtt://[USER@]HOST[:PORT] or mqtts://[USER@]HOST[:PORT])",
         "logger.toml:2:7: mqtt.url: keine MQTT-URL (mqtt://[BENUTZER@]RECHNER[:PORT] oder "
         "mqtts://[BENUTZER@]RECHNER[:PORT])"},
        {"[mqtt]\nurl = \"mqtt://broker\"\nname = \"a/b\"\n",
         "logger.toml:3:8: mqtt.name: takes letters A-Z and a-z, digits, '_' and '-': a/b",
         "logger.toml:3:8: mqtt.name: nimmt Buchstaben A-Z und a-z, Ziffern, '_' und '-': a/b"},
        {"[mqtt]\nurl = \"mqtt://broker\"\nha_discovery = \"$SYS\"\n",
         "logger.toml:3:16: mqtt.ha_discovery: The discovery prefix begins with $, which marks the broker's own topics: $SYS",
         "logger.toml:3:16: mqtt.ha_discovery: Das Discovery-Pr\xE4" "fix beginnt mit $, das die eigenen Topics des "
         "Brokers kennzeichnet: $SYS"},
        {"[mqtt]\nurl = \"mqtt://broker\"\nca = \"/etc/ca.pem\"\n", "logger.toml:3:6: mqtt.ca: needs an mqtts:// URL"},
        {"[mqtt]\nurl = \"mqtts://broker\"\npassword_file = \"/etc/pw\"\n",
         "logger.toml:3:17: mqtt.password_file: needs a user in the URL (mqtt://USER@HOST)"},
        {"[board]\n\"\\u001b[2Jhost\" = 1\n", "logger.toml:2:1: board.\\u001B[2Jhost: unknown setting"},
    };
    for (const Case& c : cases) {
        Settings options = defaultSettings();
        SettingsProblem problem;
        EXPECT_FALSE(readSettingsText(c.file, "logger.toml", options, problem)) << c.file;
        EXPECT_EQ(problemText(problem), c.message) << c.file;
        EXPECT_FALSE(problem.german.empty()) << "the settings window says it in German too: " << c.file;
        if (c.german) {
            EXPECT_EQ(problemText(problem, Language::german), c.german) << c.file;
        }
    }
}

TEST(Settings, InputsTakeTheirSettingsAndKeepTheRestOfTheirDefaults)
{
    LoggerState state;
    resetLoggerState(state);
    SettingsProblem problem;
    ASSERT_TRUE(readSettingsText("[analog.1]\nlabel = \"Keller\"\nunit = \"\xC2\xB0" "C\"\nscale = 0.48828\ndecimals = 1\n"
                                 "[analog.2]\ndecimals = 3\n"           // volts with three decimals
                                 "[analog.3]\nlabel = \"Solar\"\n"      // only a label: the voltage form stays
                                 "[analog.4]\nunit = \"m\xC2\xB3\"\nha_device_class = \"gas\"\n"
                                 "[digital.1]\nlabel = \"Haust\xC3\xBCr\"\nopen = \"offen\"\nclosed = \"zu\"\n"
                                 "ha_device_class = \"door\"\n",
                                 "logger.toml", state.settings, problem))
        << problemText(problem);

    struct Case {
        std::size_t input;
        const char* label;
        const char* unit;
        bool quantity;
        int decimals;
        const char* deviceClass;
        const char* stateClass;  // the first that the class takes
    } const cases[] = {
        {0, "Keller", "\xB0" "C", true, 1, "", "measurement"},  // the default class fits volts only
        {1, "Analog-Eingang Nr. 2", "Volt", true, 3, "voltage", "measurement"},
        {2, "Solar", "Volt", false, 2, "voltage", "measurement"},
        {3, "Analog-Eingang Nr. 4", "m\xB3", true, 2, "gas", "total"},
    };
    for (const Case& c : cases) {
        const AnalogInput& input = state.settings.analog[c.input];
        EXPECT_EQ(input.label, c.label) << c.input;
        EXPECT_EQ(input.unit, c.unit) << c.input;
        EXPECT_EQ(input.quantity, c.quantity) << c.input;
        EXPECT_EQ(input.decimals, c.decimals) << c.input;
        EXPECT_EQ(input.haDeviceClass, c.deviceClass) << c.input;
        EXPECT_EQ(input.haStateClass, c.stateClass) << c.input;
    }
    // A class of no unit takes an empty one, its quantity then with no unit.
    for (const char* unitless : {"aqi", "ph"}) {
        Settings options = defaultSettings();
        ASSERT_TRUE(readSettingsText("[analog.2]\nunit = \"\"\nha_device_class = \"" + std::string(unitless) + "\"\n",
                                     "logger.toml", options, problem))
            << problemText(problem);
        EXPECT_TRUE(options.analog[1].unit.empty() && options.analog[1].quantity) << unitless;
        EXPECT_EQ(analogColumnTitle(options.analog[1]), "Analog-Eingang Nr. 2 []") << "still a quantity to the report";
    }
    EXPECT_EQ(state.settings.analog[0].scale, 0.48828);
    EXPECT_EQ(state.settings.analog[1].scale, 0.0048828);
    EXPECT_EQ(state.settings.digital[0].closedText, "zu");
    EXPECT_EQ(state.settings.digital[1].closedText, "GESCHLOSSEN");
}

TEST(Settings, AKeyAddedToTheTableIsReadWrittenRefusedAndShown)
{
    std::vector<SettingRow> rows(settingRows.begin(), settingRows.end());
    rows.push_back({"digital", "note", nullptr, SettingKind::shown, SettingCheck::none, 1, 8, "Notiz #", nullptr,
                    "Notiz", {}, &DigitalInput::haDeviceClass, {"Notiz", 0, 60}, false, false});
    EXPECT_EQ(defaultSettings(rows).digital[2].haDeviceClass, "Notiz 3");

    Settings read = defaultSettings(rows);
    SettingsProblem problem;
    ASSERT_TRUE(readSettingsText("[digital.2]\nnote = \"T\xC3\xBCr\"\n", "logger.toml", read, problem, rows));
    EXPECT_EQ(read.digital[1].haDeviceClass, "T\xFCr");
    EXPECT_TRUE(read.given[givenBit(rows, rows.back(), 1)]);
    EXPECT_FALSE(readSettingsText("[digital.2]\nnote = \"viel zu lang\"\n", "logger.toml", read, problem, rows));
    EXPECT_EQ(problemText(problem), "logger.toml:2:8: digital.2.note: longer than 8 characters, more than the window shows");

    const std::string file = settingsFileText({{"digital.2.note", tomlText("Tor")}}, rows);
    for (const char* line : {"\n#note = \"Notiz 1\"\n", "\n[digital.2]\n", "\nnote = \"Tor\"\n"})
        EXPECT_NE(file.find(line), std::string::npos) << line << " in\n" << file;

    // The window's fifth column of the digital inputs; typed into and saved.
    resetFake();
    fake().events = {{100, {platform::uiEventChanged, 425}, "Pforte"}, {200, {platform::uiEventControl, 242}}};
    EXPECT_EQ(runSettingsWindow("/tmp/settings-window/logger.toml", SettingsPurpose::edit, rows), SettingsOutcome::saved);
    EXPECT_EQ(fake().controls[405].text, "Notiz");
    EXPECT_EQ(fake().controls[415].text, "Notiz 1");
    EXPECT_NE(fake().replacedFiles.begin()->second.find("\n[digital.2]\n"), std::string::npos);
    EXPECT_NE(fake().replacedFiles.begin()->second.find("\nnote = \"Pforte\"\n"), std::string::npos);
}

TEST(Settings, TheAlarmsHaveAPageOfTheirOwnWhichAProblemThereBringsBack)
{
    resetFake();
    constexpr platform::UiEvent pageButton{platform::uiEventControl, 245};
    constexpr platform::UiEvent save{platform::uiEventControl, 242};
    const auto changed = [](int control) { return platform::UiEvent{platform::uiEventChanged, control}; };
    fake().events = {{100, pageButton},
                     {200, changed(711), "25.5"},                                 // analog 1: alarm above
                     {300, changed(811), "offen"},                                // digital 1: alarm when
                     {400, changed(504), "/usr/bin/mail \"Gefriertruhe K\xFC" "che\""},  // the command
                     {500, pageButton},
                     {600, save},
                     {700, changed(811), "closed"},
                     {800, save}};
    EXPECT_EQ(runSettingsWindow("/tmp/settings-window/logger.toml", SettingsPurpose::edit), SettingsOutcome::saved);
    EXPECT_TRUE(fake().controls[711].shown) << "the refusal brought the alarms' page back";
    EXPECT_FALSE(fake().controls[311].shown) << "an input's other fields make room for it";
    EXPECT_TRUE(fake().controls[350].shown) << "the section's message is on both pages";
    EXPECT_EQ(fake().controls[245].text, "Ein&g\xE4nge");
    EXPECT_EQ(fake().controls[715].text, "Analog-Eingang Nr. 1 [Volt]") << "whose alarms they are";
    EXPECT_EQ(fake().controls[813].text, "Digital-Eingang Nr. 1");
    EXPECT_EQ(traced("focus 811").size(), 1u);
    const std::string& file = fake().replacedFiles.begin()->second;
    for (const char* line : {"\nalarm_above = 25.5\n", "\nalarm_when = \"closed\"\n",
                             "\ncommand = [\"/usr/bin/mail\", \"Gefriertruhe K\xC3\xBC" "che\"]\n"})
        EXPECT_NE(file.find(line), std::string::npos) << line << " in\n" << file;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetFake();
        folder = std::filesystem::temp_directory_path() / ("settings-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder);
        fake().serviceFolder = folder.string();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string write(const std::string& name, const std::string& content)
    {
        const std::string path = (folder / name).string();
        std::ofstream(path) << content;
        return path;
    }
    std::filesystem::path folder;
};

TEST_F(SettingsFile, WhichFileIsReadAndWhatWins)
{
    const std::string own = write("logger.toml", "[board]\nhost = \"127.0.0.2\"\nport = 4000\n[log]\ninterval = \"S5\"\n");
    const std::string named = write("named.toml", "[board]\nhost = \"127.0.0.3\"\n");
    write("board1.toml", "[board]\nhost = \"127.0.0.4\"\n");
    write("broken.toml", "[board\n");
    const std::string missing = (folder / "missing.toml").string();
    const std::string broken = (folder / "broken.toml").string();
    const std::string pipe = (folder / "pipe.toml").string();
    mkfifo(pipe.c_str(), 0600);
    const std::string dangling = (folder / "dangling.toml").string();
    std::filesystem::create_symlink(missing, dangling);
    const std::string large = write("large.toml", std::string((1 << 20) + 1, '#'));
    const std::string none;  // a problem that names no file
    struct Case {
        const char* what;
        std::string defaultFile;
        std::vector<std::string> arguments;
        std::string problem;
        const char* host;  // null: the default
        const char* interval;
        const char* logFile;
    } const cases[] = {
        {"no file at all: every default", "", {}, "", nullptr, nullptr, nullptr},
        {"the user's own file", own, {}, "", "127.0.0.2", "S5", nullptr},
        {"an option beats the file", own, {"--host", "127.0.0.9", "--interval", "S1"}, "", "127.0.0.9", "S1", nullptr},
        {"--settings instead of the user's", own, {"--settings", named}, "", "127.0.0.3", nullptr, nullptr},
        {"--settings that is missing", own, {"--settings", missing}, missing + ": cannot be read", nullptr, nullptr,
         nullptr},
        {"a user's file that is missing is none", missing, {}, "", nullptr, nullptr, nullptr},
        {"a broken one", broken, {}, broken + ":1:7: ", nullptr, nullptr, nullptr},
        {"the service's own file and defaults", own, {"--service", "board1"}, "", "127.0.0.4", "S10",
         "/var/lib/avrnetio-logger/board1.csv"},
        {"a service without its file", own, {"--service", "board2"}, "", nullptr, "S10",
         "/var/lib/avrnetio-logger/board2.csv"},
        {"a service name that is a path", own, {"--service", "../x"}, "--service takes letters", nullptr, nullptr,
         nullptr},
        {"--schedule", own, {"--schedule", "later"}, "--schedule takes drift or aligned: later", nullptr, nullptr,
         nullptr},
        // What is there but cannot be read is refused, not waited on or taken for no settings.
        {"a pipe at the user's place", pipe, {}, pipe + ": cannot be read: it is no file but", nullptr, nullptr, nullptr},
        {"a link to nothing there", dangling, {}, dangling + ": cannot be read: the way to it is barred", nullptr,
         nullptr, nullptr},
        {"a folder named", own, {"--settings", folder.string()}, folder.string() + ": cannot be read: it is no file",
         nullptr, nullptr, nullptr},
        {"a file beyond any settings", own, {"--settings", large}, large + ": cannot be read: it is larger than 1 MiB",
         nullptr, nullptr, nullptr},
        {"an empty --settings", own, {"--settings", ""}, none + "--settings needs a value", nullptr, nullptr, nullptr},
        {"two of one option", own, {"--port", "1", "--port", "2"}, none + "--port is given twice", nullptr, nullptr,
         nullptr},
        {"a host the command line gives", own, {"--host", "a b"}, none + "--host takes an IPv4 address", nullptr,
         nullptr, nullptr},
    };
    for (const Case& c : cases) {
        fake().defaultSettingsPath = c.defaultFile;
        StartOptions start;
        Settings options = defaultSettings();
        const std::vector<std::string_view> arguments(c.arguments.begin(), c.arguments.end());
        // A wrong option is refused by the command line, a wrong file by the loading.
        Message said;
        std::string problem;
        if (parseCommandLine(arguments, start, options, &said) == CommandLineAction::run)
            problem = problemText(loadSettings(options, start.settingsFile, start.service));
        else
            problem = said.english;
        EXPECT_TRUE(problem.starts_with(c.problem) && (problem.empty() == c.problem.empty())) << c.what << ": " << problem;
        if (!problem.empty()) continue;
        const auto given = [&](SettingField field, const std::string& value) {
            return isGiven(options, field) ? value : "";
        };
        EXPECT_EQ(given(&Settings::boardHost, options.boardHost), c.host ? c.host : "") << c.what;
        EXPECT_EQ(given(&Settings::interval, options.interval), c.interval ? c.interval : "") << c.what;
        EXPECT_EQ(options.logFilePath, c.logFile ? c.logFile : defaultSettings().logFilePath) << c.what;
    }

    // A service keeps its name in topics when the board gets another address; a name of its file wins.
    write("withname.toml", "[mqtt]\nname = \"keller\"\n");
    for (const auto& [service, name] : {std::pair{"board1", "board1"}, {"cellar.2", "cellar-2"}, {"withname", "keller"}}) {
        Settings options = defaultSettings();
        EXPECT_EQ(loadSettings(options, std::nullopt, std::string(service)).what, "") << service;
        EXPECT_EQ(publishName(options), name) << service;
    }
}

// The settings window over the fake toolkit: what is typed into its fields, then Save.
constexpr int saveButton = 242;
constexpr int changed = platform::uiEventChanged;
constexpr int pressed = platform::uiEventControl;

struct Typed {
    int code;
    int control;
    std::string typed;
};

SettingsOutcome runWindow(const std::vector<Typed>& typed, SettingsPurpose purpose = SettingsPurpose::edit)
{
    std::int64_t tick = 100;
    for (const Typed& t : typed) fake().events.push_back({tick += 100, {t.code, t.control}, t.typed});
    fake().events.push_back({tick + 100, {platform::uiEventClose, 0}});  // else it would wait on
    return runSettingsWindow("/tmp/settings-window/logger.toml", purpose);
}

TEST(SettingsWindow, FieldsGiveTheFileOrTheReadersMessageBesideThem)
{
    const std::string unit = "\xB0" "C";
    struct Case {
        const char* what;
        std::vector<Typed> typed;
        const char* inFile;    // a line the saved file holds; null when nothing may be saved
        int messageControl;    // where the message stands, and the field that gets the focus
        const char* message;
        int focus;
    } const cases[] = {
        {"a board, an interval, a temperature sensor",
         {{changed, 102, "127.0.0.1"}, {changed, 104, "4000"}, {pressed, 116, "unchecked"}, {changed, 115, "S1"},
          {changed, 311, "Keller"}, {changed, 312, unit}, {changed, 313, "0.48828"}, {changed, 315, "1"},
          {pressed, saveButton, ""}},
         "\nlabel = \"Keller\"\n", 0, "", 0},
        {"a decimal comma", {{changed, 323, "0,5"}, {pressed, saveButton, ""}}, nullptr, 350,
         "Skala von Analog-Eingang 2: eine Zahl ist n\xF6tig, mit Punkt: 0.5", 323},
        {"a port too large", {{changed, 104, "70000"}, {pressed, saveButton, ""}}, nullptr, 107,
         "Port: ein Port von 1 bis 65535 ist n\xF6tig", 104},
        {"a unit Home Assistant refuses for the class",
         {{changed, 332, unit}, {changed, 336, "humidity"}, {pressed, saveButton, ""}}, nullptr, 350,
         "Home-Assistant-Klasse von Analog-Eingang 3: Home Assistant nimmt humidity in %, nicht in \xB0" "C", 336},
        {"the same text for both states", {{changed, 443, "OFFEN"}, {pressed, saveButton, ""}}, nullptr, 450,
         "Text geschlossen von Digital-Eingang 4: offen und geschlossen brauchen verschiedene Texte", 443},
        {"a label with a comma", {{changed, 411, "Tor, links"}, {pressed, saveButton, ""}}, nullptr, 450,
         "Bezeichnung von Digital-Eingang 1: enth\xE4lt ein Komma, das die Spalte der Logdatei teilen w\xFCrde", 411},
        {"aligned, and the log file", {{changed, 118, "1"}, {changed, 112, "/tmp/M\xFCll.csv"}, {pressed, saveButton, ""}},
         "\nfile = \"/tmp/M\xC3\xBCll.csv\"\n", 0, "", 0},
        {"a port with a leading zero", {{changed, 104, "0400"}, {pressed, saveButton, ""}}, "\nport = 400\n", 0, "", 0},
        {"the course window", {{pressed, 601, "checked"}, {pressed, saveButton, ""}}, "\ncourse = true\n", 0, "",
         0},
        {"cancelled", {{changed, 102, "127.0.0.1"}, {pressed, 243, ""}}, nullptr, 0, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resetFake();
        const SettingsOutcome outcome = runWindow(c.typed);
        const auto& files = fake().replacedFiles;
        EXPECT_EQ(outcome, c.inFile ? SettingsOutcome::saved : SettingsOutcome::cancelled);
        ASSERT_EQ(files.size(), c.inFile ? 1u : 0u);
        if (c.inFile) {
            const std::string& file = files.begin()->second;
            EXPECT_NE(file.find(c.inFile), std::string::npos) << file;
            Settings options = defaultSettings();
            SettingsProblem problem;
            EXPECT_TRUE(readSettingsText(file, "written", options, problem)) << problemText(problem);
        }
        if (c.messageControl) {
            EXPECT_EQ(fake().controls[c.messageControl].text, c.message);
            EXPECT_EQ(fake().focus, c.focus);
        }
    }
}

TEST(SettingsWindow, PreviewAndConnectionTest)
{
    resetFake();
    fake().connectsThatWork = 1;
    fake().replies["Version \\r\\n"] = "AVR-NET-IO 1.03\r\n";
    runWindow({{changed, 312, "\xB0" "C"}, {changed, 313, "0.48828"}, {changed, 315, "1"}, {pressed, 105, ""},
               {pressed, 105, ""}, {changed, 335, "99999999999"}});
    EXPECT_EQ(fake().controls[317].text, "= 250.0 \xB0" "C") << "a reading of 512 with the row's settings";
    EXPECT_EQ(fake().controls[327].text, "= 2.50 Volt");
    EXPECT_EQ(fake().controls[337].text, "= ? Volt") << "decimals beyond any number shown as unreadable";
    EXPECT_EQ(fake().controls[316].text, "") << "the default class follows the unit: none for \xB0" "C";
    EXPECT_EQ(fake().controls[326].text, "voltage");
    // The first test reaches the board and shows its version; the second is refused.
    EXPECT_EQ(traced("setText 106 Verbunden: AVR-NET-IO 1.03").size(), 1u);
    EXPECT_EQ(fake().controls[106].text, "Keine Verbindung: an Port 50290 antwortet nichts (abgelehnt).");
    EXPECT_GE(tracePosition("connect 192.168.1.90:50290"), 0) << "the fake's only: nothing is contacted";

    // With a broker, the test also asks it whether another logger of the name is online.
    resetFake();
    runWindow({{changed, 222, "mqtt://127.0.0.1"}, {changed, 224, "cellar"}, {pressed, 105, ""}});
    EXPECT_EQ(traced("mqttCheckName avrnetio/cellar/owner").size(), 1u);
    const auto said = std::ranges::find_if(fake().controls, [](const auto& control) {
        return control.second.text.starts_with("MQTT:");
    });
    ASSERT_NE(said, fake().controls.end());
    EXPECT_EQ(said->second.text, "MQTT: ein anderer Logger namens cellar ist online; dieser ver\xF6" "ffentlicht nichts, "
                                 "solange jener l\xE4uft.");
}

TEST_F(SettingsFile, TheWindowKeepsWhatTheFileGaveEvenAtItsDefault)
{
    // "Volt" is the default unit, but given it makes the input a quantity: saving keeps it.
    // And a path beyond Latin-1, which the window can only show transliterated.
    const std::string path = write("logger.toml", "[analog.2]\nunit = \"Volt\"\n[log]\ninterval = \"M1\"\n"
                                                  "file = \"/tmp/\xD0\xB6\xD1\x83\xD1\x80.csv\"\n");
    fake().events.push_back({100, {pressed, saveButton}});
    EXPECT_EQ(runSettingsWindow(path, SettingsPurpose::edit), SettingsOutcome::saved);
    const std::string& file = fake().replacedFiles[path];
    EXPECT_NE(file.find("\n[analog.2]\n#label = \"Analog-Eingang Nr. 2\"\nunit = \"Volt\"\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\ninterval = \"M1\"\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nfile = \"/tmp/\xD0\xB6\xD1\x83\xD1\x80.csv\"\n"), std::string::npos) << file;
    EXPECT_FALSE(fake().controls[116].checked) << "an interval given: not asked at every start";
}

TEST_F(SettingsFile, WhereThePlatformKeepsThePasswordTheWindowStoresItThereAndNeverInTheFile)
{
    const std::string path = write("logger.toml", "[mqtt]\nurl = \"mqtt://anna@127.0.0.1\"\nname = \"keller\"\n");
    constexpr int password = 228;
    fake().passwordStore = true;
    fake().events = {{100, {changed, password}, "geheim\xE4"}, {200, {pressed, saveButton}}};
    EXPECT_EQ(runSettingsWindow(path, SettingsPurpose::edit), SettingsOutcome::saved);
    EXPECT_TRUE(fake().controls[password].secret);
    EXPECT_EQ(fake().controls[password - 1].text, "Pass&wort:");
    EXPECT_EQ(fake().storedPasswords["keller"], "geheim\xC3\xA4") << "as UTF-8, under the logger's name";
    EXPECT_EQ(fake().replacedFiles[path].find("geheim"), std::string::npos) << fake().replacedFiles[path];

    // The next start reads it; the window shows it again, and emptied it is removed.
    Settings options = defaultSettings();
    ASSERT_EQ(loadSettings(options, path, std::nullopt).what, "");
    std::string read;
    EXPECT_EQ(checkPublishSettings(options, read).english, "");
    EXPECT_EQ(read, "geheim\xC3\xA4");
    fake().events = {{100, {changed, password}, ""}, {200, {pressed, saveButton}}};
    fake().controls.clear();
    EXPECT_EQ(runSettingsWindow(path, SettingsPurpose::edit), SettingsOutcome::saved);
    EXPECT_EQ(fake().storedPasswords.count("keller"), 0u);
}

}  // namespace
