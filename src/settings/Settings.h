// Every setting of the logger in one record, and the table of them: one row per key, which the
// defaults, the settings file's reader and writer, the command line and the settings window walk.
#pragma once

#include <array>
#include <bitset>
#include <charconv>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "driver/Messages.h"

// Inputs are numbered 1 to 4 as on the board; entry n - 1 holds input n.
template <typename T>
using PerInput = std::array<T, 4>;

// The settings of one analog input. In the voltage form (quantity false) its value is the board's
// reading in volts, cut to analogTextWidth characters; in the quantity form it is raw * scale +
// offset in unit, rounded to decimals places.
struct AnalogInput {
    std::string label;
    std::string unit;
    double scale = 0.0;  // units per step of the board's reading
    double offset = 0.0;
    int decimals = 0;
    bool quantity = false;  // any of unit, scale, offset and decimals given
    std::string haDeviceClass;  // empty: none
    std::string haStateClass;
    // Alarms, in the unit of the value as the log has it: each limit only where given.
    double alarmAbove = 0.0;
    double alarmBelow = 0.0;
    double alarmHysteresis = 0.0;  // how far back past the limit the value must come to end it
    std::string alarmAfter;        // how long the condition must hold, as an interval; empty: at once
};

struct DigitalInput {
    std::string label;
    std::string openText;
    std::string closedText;  // also what the colour rule compares with
    std::string haDeviceClass;
    std::string alarmWhen;  // "open" or "closed"; empty: no alarm
    std::string alarmAfter;
};

enum class Schedule { drift, aligned };

// Which keys the file or the command line gave: bit 4 * row + input, input 0 for a key of no input.
using GivenKeys = std::bitset<256>;

// Texts hold Latin-1 bytes, paths the bytes the file system names them with, and the MQTT
// texts UTF-8.
struct Settings {
    std::string boardHost;
    int boardPort = 0;
    std::string logFilePath;  // shown through filePathText
    std::string interval;     // answers the interval prompt where given; else what it offers
    Schedule schedule = Schedule::drift;
    PerInput<AnalogInput> analog;
    PerInput<DigitalInput> digital;
    std::string mqttUrl;
    std::string mqttPasswordFile;
    std::string mqttCa;
    std::string name;  // the logger's name in topics; empty: made from boardHost
    std::string haDiscovery;
    std::string boardSilentAfter;  // as an interval; empty: no alarm for a silent board
    std::string alarmFile;         // empty: the log's path with "-alarme" before its extension
    std::string alarmCommand;      // the program and its arguments, joined by listSeparator; empty: none
    bool alarmSound = true;        // an alarm's start sounds its own tone in place of the click
    bool alarmNotify = true;       // the desktop tells each start and end
    bool course = false;           // the course window opens beside the main window
    GivenKeys given;
};

// What a row sets: a field of the record, or of each input's.
using SettingField = std::variant<std::string Settings::*, int Settings::*, Schedule Settings::*, bool Settings::*,
                                  std::string AnalogInput::*, double AnalogInput::*, int AnalogInput::*,
                                  std::string DigitalInput::*>;

enum class SettingKind {
    text,    // as written, UTF-8
    shown,   // shown by the window and the log: Latin-1, no comma or control, at most high characters
    path,    // the file system's bytes for the UTF-8 written; at least low characters
    whole,   // a whole number from low to high
    number,  // a finite number
    choice,  // one of the row's choices
    list,    // texts as written, UTF-8, kept joined by listSeparator
    flag,    // true or false; its option takes no value and sets it
};
inline constexpr char listSeparator = '\x1F';
// The texts of a list setting's value.
std::vector<std::string> listItems(std::string_view joined);

// What a value must be beyond its kind; the row's words say it. A label heads the log's column:
// it must not start like a formula; an analog input's must not end in ] either.
// The MQTT ones are publishing's.
enum class SettingCheck {
    none, host, interval, nonZero, notNegative, label, analogLabel, unit, stateClass, binarySensorClass, alarmWhen,
    mqttUrl, mqttName, discoveryPrefix
};

// A message in English (UTF-8) and German (Latin-1); {low} and {high} stand for the row's bounds.
struct Words {
    const char* english;
    const char* german;
};

struct SettingChoice {
    const char* value;
    const char* german;  // in the settings window
};

// What the settings window puts beside a field.
enum class WindowExtra { none, connectionTest, browse, askEveryStart };

// Where a field stands in the settings window: its caption (with the mnemonic after &, or the
// column's heading for an input's), the widths of caption and field in pixels.
struct WindowPlace {
    const char* caption;
    int captionWidth;
    int width;  // 0: not in the window, which keeps what the file gives
    bool newLine = false;  // starts a line of its own
    WindowExtra extra = WindowExtra::none;
    int page = 0;  // 1: on the page of the alarms, which the window shows in place of the others
};

struct SettingRow {
    const char* section;
    const char* key;
    const char* option;  // on the command line; null for none
    SettingKind kind;
    SettingCheck check;
    double low;
    double high;
    const char* fallback;  // the default as the file writes it, unquoted; '#' is the input's number
    const char* example;   // what the file offers where the default is none or the machine's; null: fallback
    const char* german;    // its name in the window and its messages
    Words wrong;           // what is needed when the check or the bounds fail
    SettingField field;
    WindowPlace window;
    bool optional;  // an empty field in the window leaves it out; the window shows none as empty
    bool quantity;  // given, it makes its analog input a quantity
    std::span<const SettingChoice> choices = {};
};

// In the settings window a section's controls are numbered from base on, its first line stands
// at top, and its problems are said at message.
struct SettingSection {
    const char* name;
    const char* title;  // of an input's section ("Analog"), for the window's messages; null: none
    int base;
    int top;
    int message;
};

using SettingRows = std::span<const SettingRow>;
extern const SettingRows settingRows;
extern const std::span<const SettingSection> settingSections;

// Every default, nothing given.
Settings defaultSettings(SettingRows rows = settingRows);
// The default that the row gives for input, as the file writes it; empty where the machine gives it.
std::string fallbackText(const SettingRow& row, std::size_t input);

// The row that sets field, or null.
const SettingRow* rowOf(SettingField field, SettingRows rows = settingRows);
std::size_t givenBit(SettingRows rows, const SettingRow& row, std::size_t input);
bool isGiven(const Settings& settings, SettingField field, std::size_t input = 0, SettingRows rows = settingRows);

// The key as the file and the messages name it: "board.port", "analog.2.scale".
std::string keyName(const SettingRow& row, std::size_t input);

// A message of the row's words with its bounds put in.
std::string wordsOf(const SettingRow& row, const char* words);

// What the row's rules refuse in a text as it is kept (a shown text in Latin-1); none where they
// take it. A whole number or a choice is judged by setFromText.
std::optional<Message> refusalOf(const SettingRow& row, std::string_view text);

// Sets the row's field from a text as the command line gives it: a whole number or a choice
// within its row's rules (within any int where not withinBounds), any other as it stands.
// False when the text is none of the kind, and then nothing is set.
bool setFromText(Settings& settings, const SettingRow& row, std::size_t input, std::string_view text,
                 bool withinBounds = true);
// The value as the settings window shows it: numbers in their shortest form, paths as Latin-1.
std::string shownValue(const Settings& settings, const SettingRow& row, std::size_t input);
// The text that a row of text holds, as it holds it: a path in the file system's bytes.
const std::string& storedText(const Settings& settings, const SettingRow& row, std::size_t input);
// Takes into settings every key that from gave and settings did not: the command line wins.
void takeGiven(Settings& settings, const Settings& from, SettingRows rows = settingRows);
// What the given keys make of an input: its form, and its Home Assistant class and state class
// where none is given.
void settleInput(Settings& settings, std::size_t input, SettingRows rows = settingRows);
// The Home Assistant class of an input that none is given: voltage while its unit is a volt.
std::string defaultSensorClass(const AnalogInput& input, SettingRows rows = settingRows);

// The logger's name where none is given: the board's host with every character outside
// A-Za-z0-9_- replaced by '-', 192-168-1-90.
std::string publishNameFromHost(std::string_view host);

// The whole text as a port, 1 to 65535.
std::optional<int> portNumber(std::string_view text);

// The number that the whole text reads as, if it reads as one of the kind.
template <typename Number>
std::optional<Number> numberIn(std::string_view text)
{
    Number number{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    return number;
}
// The shortest text that reads back as the same double.
std::string shortestText(double number);
