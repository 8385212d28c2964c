// The MQTT payloads built from the state record, checked without a broker.
#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>
#include <string_view>

#include "driver/CommandLine.h"
#include "driver/LoggerState.h"
#include "driver/TextCodec.h"
#include "ha_device_classes.h"
#include "publish/DeviceClasses.h"
#include "publish/Payloads.h"
#include "publish/Publishing.h"

namespace {

using nlohmann::json;

// "dd.mm.yyyy" and "hh:mm:ss" as the wall clock's milliseconds.
std::int64_t momentOf(std::string_view date, std::string_view time)
{
    const auto number = [](std::string_view text) { return std::stoi(std::string(text)); };
    const std::chrono::year_month_day day{std::chrono::year{number(date.substr(6, 4))},
                                          std::chrono::month{static_cast<unsigned>(number(date.substr(3, 2)))},
                                          std::chrono::day{static_cast<unsigned>(number(date.substr(0, 2)))}};
    const std::int64_t seconds = std::chrono::sys_days{day}.time_since_epoch().count() * 86400 +
                                 number(time.substr(0, 2)) * 3600 + number(time.substr(3, 2)) * 60 +
                                 number(time.substr(6, 2));
    return seconds * 1000;
}

LoggerState readingState()
{
    LoggerState state;
    resetLoggerState(state);
    state.reading.taken = true;
    state.reading.momentMs = momentOf("09.12.2026", "14:03:10");
    state.reading.analogRaw = {875, 0, 9999, 1};  // 4.27, -0.0, 48.8, 0.00
    state.reading.digitalClosed = {false, true, std::nullopt, true};
    return state;
}

TEST(Payloads, StateOfOneRow)
{
    struct Case {
        const char* what;
        PerInput<bool> analogEmpty;
        PerInput<bool> digitalEmpty;
        const char* date;
        const char* time;
        int offset;
        const char* expected;
    } cases[] = {
        {"values equal to the CSV texts; a state never read is null", {}, {}, "09.12.2026", "14:03:10", 60,
         R"({"time":"2026-12-09T14:03:10+01:00","board":"online","analog":[4.27,-0.0,48.8,0.0],"digital":[0,1,null,1]})"},
        {"an empty reply is null, not -0.0 or closed", {false, true, false, false}, {false, true, false, false},
         "09.12.2026", "14:03:10", 60,
         R"({"time":"2026-12-09T14:03:10+01:00","board":"online","analog":[4.27,null,48.8,0.0],"digital":[0,null,null,1]})"},
        {"all eight empty: away", {true, true, true, true}, {true, true, true, true}, "09.12.2026", "14:03:10", 60,
         R"({"time":"2026-12-09T14:03:10+01:00","board":"away","analog":[null,null,null,null],"digital":[null,null,null,null]})"},
        // Central Europe, 29 March 2026: 02:00 CET becomes 03:00 CEST, and back on 25 October.
        {"the last second of winter time", {}, {}, "29.03.2026", "01:59:59", 60,
         R"({"time":"2026-03-29T01:59:59+01:00")"},
        {"the first second of summer time", {}, {}, "29.03.2026", "03:00:00", 120,
         R"({"time":"2026-03-29T03:00:00+02:00")"},
        {"the hour that comes twice, first in summer time", {}, {}, "25.10.2026", "02:30:00", 120,
         R"({"time":"2026-10-25T02:30:00+02:00")"},
        {"then in winter time", {}, {}, "25.10.2026", "02:30:00", 60, R"({"time":"2026-10-25T02:30:00+01:00")"},
        {"west of UTC, half hours", {}, {}, "01.01.2027", "00:00:00", -210, R"({"time":"2027-01-01T00:00:00-03:30")"},
    };
    for (const Case& c : cases) {
        LoggerState state = readingState();
        state.reading.analogReplyEmpty = c.analogEmpty;
        state.reading.digitalReplyEmpty = c.digitalEmpty;
        state.reading.momentMs = momentOf(c.date, c.time);
        EXPECT_TRUE(statePayload(state, c.offset).starts_with(c.expected)) << c.what << ": " << statePayload(state, c.offset);
    }
}

TEST(Payloads, DiscoveryConfigs)
{
    LoggerState state = readingState();
    state.settings.analog[0].label = "K\xFChlraum \xB0" "C";  // Latin-1
    state.boardVersion = "AVR-NET-IO 1.03\r\n";
    const auto configs = discoveryConfigs(state, "cellar", "homeassistant");
    // The eight inputs, and the nine alarms' problem sensors cleared where none is watched.
    ASSERT_EQ(configs.size(), 17u);
    EXPECT_EQ(configs[16].topic, "homeassistant/binary_sensor/cellar/alarm_board/config");
    EXPECT_EQ(configs[16].payload, "");
    EXPECT_EQ(configs[0].topic, "homeassistant/sensor/cellar/analog1/config");
    EXPECT_EQ(configs[7].topic, "homeassistant/binary_sensor/cellar/digital4/config");

    const json analog = json::parse(configs[0].payload);
    EXPECT_EQ(analog["name"], "K\xC3\xBChlraum \xC2\xB0" "C");
    EXPECT_EQ(analog["unique_id"], "avrnetio_cellar_analog1");
    EXPECT_EQ(analog["state_topic"], "avrnetio/cellar/state");
    EXPECT_EQ(analog["value_template"], "{{ value_json.analog[0] }}");
    EXPECT_EQ(analog["unit_of_measurement"], "V");
    EXPECT_EQ(analog["device_class"], "voltage");
    EXPECT_EQ(analog["state_class"], "measurement");
    EXPECT_EQ(analog["availability_mode"], "all");
    EXPECT_EQ(analog["availability"][0]["topic"], "avrnetio/cellar/availability");
    EXPECT_EQ(analog["availability"][1]["payload_not_available"], "away");
    EXPECT_EQ(analog["suggested_display_precision"], 2);
    EXPECT_EQ(analog["device"], json::parse(R"({"identifiers":["avrnetio_cellar"],"name":"AVR-NET-IO cellar",)"
                                            R"("model":"AVR-NET-IO","sw_version":"AVR-NET-IO 1.03"})"));
    EXPECT_EQ(analog["origin"]["name"], "avrnetio-logger");
    EXPECT_FALSE(analog["origin"]["sw_version"].get<std::string>().empty());

    const json digital = json::parse(configs[7].payload);
    EXPECT_EQ(digital["name"], "Digital-Eingang Nr. 4");
    EXPECT_EQ(digital["unique_id"], "avrnetio_cellar_digital4");
    EXPECT_EQ(digital["value_template"], "{{ value_json.digital[3] }}");
    EXPECT_EQ(digital["payload_on"], "1");
    EXPECT_EQ(digital["payload_off"], "0");
    EXPECT_FALSE(digital.contains("unit_of_measurement"));

    std::vector<std::string> topics;
    for (const TopicPayload& config : configs) topics.push_back(config.topic);
    EXPECT_EQ(discoveryTopics("cellar", "homeassistant"), topics) << "--forget clears what discovery sends";
    EXPECT_EQ(statePayload(state, 60).find("alarm"), std::string::npos) << "no alarms watched, none said";

    // Watched alarms: a problem sensor each, its state in the state payload; the board's stays
    // available while the board is away.
    state.settings.analog[0].alarmAbove = 25;
    state.settings.given.set(givenBit(settingRows, *rowOf(&AnalogInput::alarmAbove), 0));
    state.settings.boardSilentAfter = "M1";
    state.alarms.watch[boardAlarm].on = true;
    const auto watched = discoveryConfigs(state, "cellar", "homeassistant");
    const json alarm = json::parse(watched[8].payload);
    EXPECT_EQ(watched[8].topic, "homeassistant/binary_sensor/cellar/alarm_analog1/config");
    EXPECT_EQ(alarm["name"], "K\xC3\xBChlraum \xC2\xB0" "C Alarm");
    EXPECT_EQ(alarm["device_class"], "problem");
    EXPECT_EQ(alarm["unique_id"], "avrnetio_cellar_alarm_analog1");
    EXPECT_EQ(alarm["value_template"], "{{ value_json.alarm.analog1 }}");
    EXPECT_EQ(alarm["availability"].size(), 2u);
    EXPECT_EQ(json::parse(watched[16].payload)["availability"].size(), 1u);
    EXPECT_EQ(json::parse(statePayload(state, 60))["alarm"], json::parse(R"({"analog1":"OFF","board":"ON"})"));
}

TEST(Payloads, EveryEntityExpiresAfterThreeIntervalsAndAtLeast30Seconds)
{
    const struct {
        double intervalMs;
        int expireAfter;
    } cases[] = {{1000, 30}, {10000, 30}, {10500, 32}, {20000, 60}, {3600000, 10800}};
    for (const auto& c : cases) {
        LoggerState state = readingState();
        state.intervalMs = c.intervalMs;
        for (const TopicPayload& config : discoveryConfigs(state, "cellar", "homeassistant"))
            if (!config.payload.empty()) {
                EXPECT_EQ(json::parse(config.payload)["expire_after"], c.expireAfter) << c.intervalMs << " " << config.topic;
            }
    }
}

TEST(Payloads, InputsWithTheirOwnSettings)
{
    LoggerState state = readingState();
    AnalogInput& cellar = state.settings.analog[0];
    cellar = {"Keller", "\xB0" "C", 0.48828, 0.0, 1, true, "temperature", "measurement", 0, 0, 0, ""};  // an LM35
    state.settings.analog[1] = {"Tank", "\xB5V", 0.0048828, 0.0, 3, true, "voltage", "measurement", 0, 0, 0, ""};
    state.settings.analog[2] = {"Z\xE4hler", "Imp", 1, 0, 0, true, "", "total_increasing", 0, 0, 0, ""};
    state.settings.analog[3] = {"pH", "", 0.01, 0, 2, true, "ph", "measurement", 0, 0, 0, ""};
    state.reading.analogRaw = {44, 512, std::nullopt, 1};
    struct Case {
        std::size_t input;
        bool analog;
        const char* unit;        // null: none
        const char* deviceClass;  // null: none
        int precision;
        const char* payloadOn;
        const char* stateClass = nullptr;
    } const cases[] = {
        {0, true, "\xC2\xB0" "C", "temperature", 1, nullptr, "measurement"},
        {1, true, "\xCE\xBCV", "voltage", 3, nullptr, "measurement"},  // the micro sign as Home Assistant's mu
        {2, true, "Imp", nullptr, 0, nullptr, "total_increasing"},       // a counter
        {3, true, nullptr, "ph", 2, nullptr, "measurement"},
        {0, false, nullptr, "door", 0, "0"},  // a door is on when open: code 0
        {1, false, nullptr, "lock", 0, "0"},  // a lock is on when unlocked, open
        {2, false, nullptr, "problem", 0, "1"},
        {3, false, nullptr, nullptr, 0, "1"},
    };
    state.settings.digital[0].haDeviceClass = "door";
    state.settings.digital[1].haDeviceClass = "lock";
    state.settings.digital[2].haDeviceClass = "problem";
    const auto configs = discoveryConfigs(state, "cellar", "homeassistant");
    for (const Case& c : cases) {
        const json config = json::parse(configs[c.input + (c.analog ? 0 : 4)].payload);
        SCOPED_TRACE(config.dump());
        EXPECT_EQ(config.contains("unit_of_measurement"), c.unit != nullptr);
        if (c.unit) {
            EXPECT_EQ(config["unit_of_measurement"], c.unit);
        }
        EXPECT_EQ(config.contains("device_class"), c.deviceClass != nullptr);
        if (c.deviceClass) {
            EXPECT_EQ(config["device_class"], c.deviceClass);
        }
        if (c.analog) {
            EXPECT_EQ(config["suggested_display_precision"], c.precision);
        }
        if (c.payloadOn) {
            EXPECT_EQ(config["payload_on"], c.payloadOn);
        }
        if (c.stateClass) {
            EXPECT_EQ(config["state_class"], c.stateClass);
        }
    }
    // Numbers in the unit, null where no digit came.
    EXPECT_TRUE(statePayload(state, 60).find(R"("analog":[21.5,2.5,null,0.01])") != std::string::npos)
        << statePayload(state, 60);
}

// Home Assistant's UTF-8 unit as the messages hold it, in Latin-1: the mu as the micro sign, the
// dot operator as the middle dot.
std::string shownUnit(std::string utf8)
{
    for (const auto& [from, to] : {std::pair{"\xCE\xBC", "\xC2\xB5"}, {"\xE2\x8B\x85", "\xC2\xB7"}})
        for (std::size_t at = utf8.find(from); at != std::string::npos; at = utf8.find(from, at))
            utf8.replace(at, std::string_view(from).size(), to);
    return latin1FromUtf8(utf8).value_or("?");
}

// Every class against the copy of Home Assistant's lists: each unit and state class it takes is
// taken, any other refused with words that name what it takes.
TEST(Payloads, DeviceClassesAsHomeAssistantHasThem)
{
    std::set<std::string> ours;
    std::set<std::string> theirs = {"monetary"};
    for (const SensorClass& sensorClass : sensorClasses) ours.insert(std::string(sensorClass.name));
    for (const HaSensorClass& sensorClass : haSensorClasses) theirs.insert(sensorClass.name);
    EXPECT_EQ(ours, theirs);
    const std::string prefix = "Home Assistant takes ";
    for (const HaSensorClass& c : haSensorClasses) {
        SCOPED_TRACE(c.name);
        std::string units;
        bool none = false;
        for (const char* unit : c.units) {
            EXPECT_EQ(sensorClassProblem(c.name, unit ? unit : "").english, "") << (unit ? unit : "no unit");
            none = none || !unit;
            if (unit) units += (units.empty() ? "" : ", ") + shownUnit(unit);
        }
        const std::string taken = units.empty() ? prefix + c.name + " without a unit"
                                                : prefix + c.name + " in " + units + (none ? ", or without a unit" : "");
        EXPECT_EQ(sensorClassProblem(c.name, "furlong").english, units.empty() ? taken : taken + ", not furlong");
        if (!none) {
            EXPECT_EQ(sensorClassProblem(c.name, "").english, taken + ", not without a unit");
        }
        std::string states;
        for (const char* state : c.stateClasses) states += (states.empty() ? "" : ", ") + std::string(state);
        const std::string unit = c.units.front() ? c.units.front() : "";
        for (const char* state : ha::all) {
            const bool listed = std::ranges::count(c.stateClasses, std::string_view(state)) > 0;
            // The angle's state class takes degrees only, whatever the class.
            const std::string angle = state == std::string_view("measurement_angle") && unit != "\xC2\xB0"
                                          ? prefix + "measurement_angle in \xB0 only"
                                          : "";
            EXPECT_EQ(stateClassProblem(c.name, state, unit).english,
                      listed ? angle : prefix + c.name + " as " + states + ", not as " + state);
        }
        EXPECT_EQ(defaultStateClass(c.name), c.stateClasses.front());
    }
    EXPECT_EQ(defaultStateClass(""), "measurement");

    // Each kind of refusal in both languages, Latin-1 both.
    const struct {
        Message problem;
        const char* english;
        const char* german;
    } cases[] = {
        {sensorClassProblem("monetary", "EUR"), "", ""},
        {sensorClassProblem("monetary", ""), "Home Assistant takes monetary in a currency, not without a unit",
         "Home Assistant nimmt monetary in einer W\xE4hrung, nicht ohne Einheit"},
        {sensorClassProblem("pm25", "ppm"), "Home Assistant takes pm25 in \xB5g/m\xB3, not ppm",
         "Home Assistant nimmt pm25 in \xB5g/m\xB3, nicht in ppm"},
        {sensorClassProblem("power_factor", "V"), "Home Assistant takes power_factor in %, or without a unit, not V",
         "Home Assistant nimmt power_factor in % oder ohne Einheit, nicht in V"},
        {sensorClassProblem("aqi", "V"), "Home Assistant takes aqi without a unit", "Home Assistant nimmt aqi ohne Einheit"},
        {sensorClassProblem("date", "V"), "Home Assistant's class date is no measurement",
         "Home Assistants Klasse date ist kein Messwert"},
        {sensorClassProblem("warp", "V"), "Home Assistant has no sensor class warp",
         "Home Assistant kennt keine Sensorklasse warp"},
        {stateClassProblem("monetary", "measurement", "EUR"), "Home Assistant takes monetary as total, not as measurement",
         "Home Assistant nimmt monetary als total, nicht als measurement"},
        {stateClassProblem("gas", "measurement", "L"), "Home Assistant takes gas as total, total_increasing, not as measurement",
         "Home Assistant nimmt gas als total, total_increasing, nicht als measurement"},
        {stateClassProblem("", "measurement_angle", "V"), "Home Assistant takes measurement_angle in \xB0 only",
         "Home Assistant nimmt measurement_angle nur in \xB0"},
        {binarySensorClassProblem("door"), "", ""},
        {binarySensorClassProblem("gate"), "Home Assistant has no binary sensor class gate",
         "Home Assistant kennt keine Bin\xE4rsensorklasse gate"},
        // A class the user typed is shown as Latin-1, a character beyond it as an escape.
        {binarySensorClassProblem("t\xC3\xBCr\xE2\x82\xAC"), "Home Assistant has no binary sensor class t\xFCr\\u20AC",
         "Home Assistant kennt keine Bin\xE4rsensorklasse t\xFCr\\u20AC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.problem.english, c.english);
        EXPECT_EQ(c.problem.german, c.german);
    }
    // The settings' micro sign is Home Assistant's mu, the rest of Latin-1 as UTF-8.
    EXPECT_EQ(haUnitText("\xB5g/m\xB3"), "\xCE\xBCg/m\xC2\xB3");
    EXPECT_TRUE(sensorClassProblem("pm25", haUnitText("\xB5g/m\xB3")).empty());
}

TEST(Payloads, NamesAndUrls)
{
    EXPECT_EQ(publishNameFromHost("192.168.1.90"), "192-168-1-90");
    EXPECT_EQ(publishNameFromHost("board_1.local"), "board_1-local");

    struct Case {
        const char* url;
        bool valid;
        bool tls = false;
        const char* user = "";
        const char* host = "";
        int port = 0;
    } cases[] = {
        {"mqtt://broker", true, false, "", "broker", 1883},
        {"mqtts://logger@broker.example:8884", true, true, "logger", "broker.example", 8884},
        {"mqtts://127.0.0.1", true, true, "", "127.0.0.1", 8883},
        {"mqtt://[::1]:1999", true, false, "", "::1", 1999},
        {"http://broker", false, false, "", "", 0},
        {"mqtt://", false, false, "", "", 0},
        {"mqtt://@broker", false, false, "", "", 0},
        {"mqtt://broker:", false, false, "", "", 0},
        {"mqtt://broker:0", false, false, "", "", 0},
        {"mqtt://broker:70000", false, false, "", "", 0},
        {"mqtt://broker/topic", false, false, "", "", 0},
        {"broker:1883", false, false, "", "", 0},
    };
    for (const Case& c : cases) {
        const auto url = parseMqttUrl(c.url);
        ASSERT_EQ(url.has_value(), c.valid) << c.url;
        if (!url) continue;
        EXPECT_EQ(url->tls, c.tls) << c.url;
        EXPECT_EQ(url->user, c.user) << c.url;
        EXPECT_EQ(url->host, c.host) << c.url;
        EXPECT_EQ(url->port, c.port) << c.url;
    }
}

// The prefix goes into every discovery topic: what MQTT or the broker would refuse later is refused
// at start, a hand-made UTF-8 check at its edges.
TEST(Payloads, DiscoveryPrefixes)
{
    struct Case {
        const char* prefix;
        const char* problem;  // empty: taken
        const char* german = "";
    } cases[] = {
        {"homeassistant", ""},
        {"home/assistant", ""},
        {"h\xC3\xA4user", ""},
        {"\xF0\x9F\x8F\xA0", ""},  // four bytes, U+1F3E0
        {"off", ""},
        {"h\xE4user", "not valid UTF-8", "Das Discovery-Pr\xE4" "fix ist kein g\xFCltiges UTF-8"},  // Latin-1
        {"\xC0\xAF", "not valid UTF-8"},  // '/' in two bytes
        {"\xED\xA0\x80", "not valid UTF-8"},  // a surrogate
        {"\xF4\x90\x80\x80", "not valid UTF-8"},  // beyond U+10FFFF
        {"ab\xE2\x82", "not valid UTF-8"},  // cut short
        {"a\tb", "control character", "enth\xE4lt ein Steuerzeichen"},
        {"a\xC2\x85" "b", "control character"},  // U+0085
        {"a\xEF\xBF\xBE", "noncharacter", "enth\xE4lt ein Nichtzeichen"},
        {"$SYS", "begins with $", "beginnt mit $"},
        {"ha/#", "Not a discovery prefix", "Kein Discovery-Pr\xE4" "fix: ha/#"},
        {"", "Not a discovery prefix"},
    };
    for (const Case& c : cases) {
        Settings settings = defaultSettings();
        StartOptions start;
        const std::vector<std::string_view> options = {"--mqtt", "mqtt://127.0.0.1", "--ha-discovery", c.prefix};
        ASSERT_EQ(parseCommandLine(options, start, settings), CommandLineAction::run);
        std::string password;
        const Message problem = checkPublishSettings(settings, password);
        if (*c.problem == '\0')
            EXPECT_TRUE(problem.empty()) << c.prefix;
        else
            EXPECT_NE(problem.english.find(c.problem), std::string::npos) << c.prefix << ": " << problem.english;
        EXPECT_NE(problem.german.find(c.german), std::string::npos) << c.prefix << ": " << problem.german;
    }
}

}  // namespace
