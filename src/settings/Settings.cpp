// The defaults, the given keys and the values of the settings, each through its row of the table.
#include "settings/Settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <type_traits>

#include "logging/LogInterval.h"
#include "platform/files.h"
#include "publish/DeviceClasses.h"
#include "publish/Publishing.h"

namespace {

template <typename>
struct MemberOf;
template <typename Class, typename Value>
struct MemberOf<Value Class::*> {
    using type = Class;
};

using ValuePointer = std::variant<std::string*, int*, double*, Schedule*, bool*>;

ValuePointer valueOf(Settings& settings, const SettingRow& row, std::size_t input)
{
    return std::visit(
        [&](auto member) -> ValuePointer {
            using Class = typename MemberOf<decltype(member)>::type;
            if constexpr (std::is_same_v<Class, AnalogInput>) return &(settings.analog[input].*member);
            else if constexpr (std::is_same_v<Class, DigitalInput>) return &(settings.digital[input].*member);
            else return &(settings.*member);
        },
        row.field);
}

bool perInput(const SettingRow& row)
{
    return std::visit([](auto member) { return !std::is_same_v<typename MemberOf<decltype(member)>::type, Settings>; },
                      row.field);
}

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
}

// The settings' own form of an interval, stricter than the prompt's: a unit letter and a number
// with an optional decimal point, nothing before or after it.
bool plainInterval(std::string_view text)
{
    if (text.size() < 2 || std::string_view("SsMmHhDd").find(text[0]) == std::string_view::npos) return false;
    const std::string_view number = text.substr(1);
    const std::size_t point = number.find('.');
    const std::string_view whole = number.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "0" : number.substr(point + 1);
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return digits(whole) && digits(fraction);
}

// A shown text's refusals, whatever its row.
std::optional<Message> shownTextRefusal(const SettingRow& row, std::string_view text)
{
    if (text.empty() && row.check != SettingCheck::unit)
        return Message{"an empty text; a text is needed", "ist leer; ein Text ist n\xF6tig"};
    if (text.find(',') != std::string::npos)
        return Message{"holds a comma, which would split the log's column",
                       "enth\xE4lt ein Komma, das die Spalte der Logdatei teilen w\xFCrde"};
    if (std::ranges::any_of(text, isControl)) return Message{"holds a control character", "enth\xE4lt ein Steuerzeichen"};
    // Labels and units go into the log's header, which other programs read.
    const bool heading = row.check == SettingCheck::label || row.check == SettingCheck::analogLabel ||
                         row.check == SettingCheck::unit;
    if (heading && text.find('"') != std::string::npos)
        return Message{"holds a quotation mark, which CSV readers take for the start of a quoted field",
                       "enth\xE4lt ein Anf\xFChrungszeichen, das CSV-Leser f\xFCr den Beginn eines Feldes in "
                       "Anf\xFChrungszeichen halten"};
    if (heading && !text.empty() && text.find_first_not_of(" \xA0") == std::string::npos)
        return Message{"holds nothing but blanks", "enth\xE4lt nur Leerzeichen"};
    if (text.size() > row.high)
        return Message{wordsOf(row, "longer than {high} characters, more than the window shows"),
                       wordsOf(row, "ist l\xE4nger als {high} Zeichen, mehr als das Fenster zeigt")};
    return std::nullopt;
}

}  // namespace

std::optional<Message> refusalOf(const SettingRow& row, std::string_view text)
{
    if (row.kind == SettingKind::shown)
        if (std::optional<Message> refusal = shownTextRefusal(row, text)) return refusal;
    // A path is UTF-8, whose bytes from 0x80 on are no controls.
    if (row.kind == SettingKind::path &&
        std::ranges::any_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return Message{"holds a control character", "enth\xE4lt ein Steuerzeichen"};
    if ((row.check == SettingCheck::label || row.check == SettingCheck::analogLabel) &&
        std::string_view("=+-@").find(text.front()) != std::string_view::npos)
        return Message{"begins with =, +, - or @, which spreadsheets take for a formula",
                       "beginnt mit =, +, - oder @, was Tabellenkalkulationen f\xFCr eine Formel halten"};
    if (row.check == SettingCheck::interval && !plainInterval(text) && text.find(',') != std::string_view::npos)
        return Message{"not an interval: the number takes a decimal point, not a comma (S2.5)",
                       "kein Intervall: die Zahl braucht einen Dezimalpunkt, kein Komma (S2.5)"};
    if (Message problem = mqttSettingProblem(row.check, std::string(text)); !problem.empty()) return problem;
    if (row.check == SettingCheck::binarySensorClass && !text.empty())
        if (Message problem = binarySensorClassProblem(text); !problem.empty()) return problem;
    bool refused = false;
    switch (row.check) {
    case SettingCheck::host:
        refused = text.size() < row.low || text.size() > row.high ||
                  text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.-_") !=
                      std::string_view::npos;
        break;
    case SettingCheck::interval: refused = !plainInterval(text) || !intervalValid(parseInterval(text)); break;
    case SettingCheck::analogLabel: refused = text.ends_with(']'); break;
    case SettingCheck::alarmWhen: refused = text != "open" && text != "closed"; break;
    case SettingCheck::unit: refused = text.find_first_of("[]") != std::string_view::npos; break;
    case SettingCheck::stateClass:
        refused = text != "measurement" && text != "total" && text != "total_increasing" && text != "measurement_angle";
        break;
    default: refused = row.kind == SettingKind::path && text.size() < row.low;
    }
    if (!refused) return std::nullopt;
    return Message{wordsOf(row, row.wrong.english), wordsOf(row, row.wrong.german)};
}

std::string keyName(const SettingRow& row, std::size_t input)
{
    const std::string number = perInput(row) ? std::to_string(input + 1) + "." : "";
    return std::string(row.section) + "." + number + row.key;
}

std::size_t givenBit(SettingRows rows, const SettingRow& row, std::size_t input)
{
    return static_cast<std::size_t>(&row - rows.data()) * 4 + input;
}

bool isGiven(const Settings& settings, SettingField field, std::size_t input, SettingRows rows)
{
    const SettingRow* row = rowOf(field, rows);
    return row && settings.given[givenBit(rows, *row, input)];
}

std::string wordsOf(const SettingRow& row, const char* words)
{
    std::string text = words ? words : "";
    for (const auto& [name, bound] : {std::pair{std::string_view("{low}"), row.low}, {"{high}", row.high}})
        if (const std::size_t at = text.find(name); at != std::string::npos)
            text.replace(at, name.size(), std::to_string(static_cast<long long>(bound)));
    return text;
}

bool setFromText(Settings& settings, const SettingRow& row, std::size_t input, std::string_view text,
                 bool withinBounds)
{
    const ValuePointer value = valueOf(settings, row, input);
    switch (row.kind) {
    case SettingKind::whole: {
        const std::optional<int> whole = numberIn<int>(text);
        if (!whole || (withinBounds && (*whole < row.low || *whole > row.high))) return false;
        *std::get<int*>(value) = *whole;
        return true;
    }
    case SettingKind::number: {
        const std::optional<double> number = numberIn<double>(text);
        if (!number || !std::isfinite(*number)) return false;
        *std::get<double*>(value) = *number;
        return true;
    }
    case SettingKind::flag:
        if (text != "true" && text != "false") return false;
        *std::get<bool*>(value) = text == "true";
        return true;
    case SettingKind::choice: {
        const auto chosen = std::ranges::find(row.choices, text, &SettingChoice::value);
        if (chosen == row.choices.end()) return false;
        *std::get<Schedule*>(value) = static_cast<Schedule>(chosen - row.choices.begin());
        return true;
    }
    default: *std::get<std::string*>(value) = std::string(text); return true;
    }
}

std::string shownValue(const Settings& settings, const SettingRow& row, std::size_t input)
{
    const ValuePointer value = valueOf(const_cast<Settings&>(settings), row, input);
    switch (row.kind) {
    case SettingKind::whole: return std::to_string(*std::get<int*>(value));
    case SettingKind::number: return shortestText(*std::get<double*>(value));
    case SettingKind::choice: return row.choices[static_cast<std::size_t>(*std::get<Schedule*>(value))].value;
    case SettingKind::flag: return *std::get<bool*>(value) ? "true" : "false";
    case SettingKind::path: return platform::filePathText(*std::get<std::string*>(value));
    default: return *std::get<std::string*>(value);
    }
}

const std::string& storedText(const Settings& settings, const SettingRow& row, std::size_t input)
{
    return *std::get<std::string*>(valueOf(const_cast<Settings&>(settings), row, input));
}

std::vector<std::string> listItems(std::string_view joined)
{
    std::vector<std::string> items;
    for (std::size_t at = 0; at <= joined.size();) {
        const std::size_t end = std::min(joined.find(listSeparator, at), joined.size());
        items.emplace_back(joined.substr(at, end - at));
        at = end + 1;
    }
    return items;
}

Settings defaultSettings(SettingRows rows)
{
    Settings settings;
    for (const SettingRow& row : rows)
        for (std::size_t input = 0; row.fallback && input < (perInput(row) ? 4u : 1u); ++input)
            setFromText(settings, row, input, fallbackText(row, input));
    settings.logFilePath = platform::fileDefaultLogPath();
    for (std::size_t input = 0; input < 4; ++input) settleInput(settings, input, rows);
    return settings;
}

void takeGiven(Settings& settings, const Settings& from, SettingRows rows)
{
    Settings& source = const_cast<Settings&>(from);
    for (const SettingRow& row : rows) {
        for (std::size_t input = 0; input < (perInput(row) ? 4u : 1u); ++input) {
            const std::size_t bit = givenBit(rows, row, input);
            if (!from.given[bit] || settings.given[bit]) continue;
            std::visit([&](auto* into) { *into = *std::get<decltype(into)>(valueOf(source, row, input)); },
                       valueOf(settings, row, input));
            settings.given.set(bit);
        }
    }
}

void settleInput(Settings& settings, std::size_t input, SettingRows rows)
{
    AnalogInput& analog = settings.analog[input];
    analog.quantity = std::ranges::any_of(rows, [&](const SettingRow& row) {
        return row.quantity && settings.given[givenBit(rows, row, input)];
    });
    const SettingRow* deviceClass = rowOf(&AnalogInput::haDeviceClass, rows);
    if (deviceClass && !settings.given[givenBit(rows, *deviceClass, input)])
        analog.haDeviceClass = defaultSensorClass(analog, rows);
    const SettingRow* stateClass = rowOf(&AnalogInput::haStateClass, rows);
    if (stateClass && !settings.given[givenBit(rows, *stateClass, input)])
        analog.haStateClass = defaultStateClass(analog.haDeviceClass);
}

std::string defaultSensorClass(const AnalogInput& input, SettingRows rows)
{
    // The default class fits volts only.
    const std::string fallback = fallbackText(*rowOf(&AnalogInput::haDeviceClass, rows), 0);
    return sensorClassProblem(fallback, haUnitOf(input)).empty() ? fallback : "";
}

std::optional<int> portNumber(std::string_view text)
{
    const SettingRow& port = *rowOf(&Settings::boardPort);
    const std::optional<long long> number = numberIn<long long>(text);
    if (!number || *number < port.low || *number > port.high) return std::nullopt;
    return static_cast<int>(*number);
}

std::string shortestText(double number)
{
    std::array<char, 32> digits{};
    return std::string(digits.data(), std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr);
}

std::string publishNameFromHost(std::string_view host)
{
    std::string name(host);
    for (char& c : name) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '_' || c == '-';
        if (!kept) c = '-';
    }
    return name;
}
