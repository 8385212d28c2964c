// The defaults, the given keys and the values of the settings, each through its row of the table.
#include "settings/Settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <type_traits>

#include "platform/files.h"
#include "publish/DeviceClasses.h"

namespace {

template <typename>
struct MemberOf;
template <typename Class, typename Value>
struct MemberOf<Value Class::*> {
    using type = Class;
};

using ValuePointer = std::variant<std::string*, int*, double*, Schedule*>;

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

}  // namespace

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
    std::string text = words;
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
    case SettingKind::path: return platform::filePathText(*std::get<std::string*>(value));
    default: return *std::get<std::string*>(value);
    }
}

const std::string& storedText(const Settings& settings, const SettingRow& row, std::size_t input)
{
    return *std::get<std::string*>(valueOf(const_cast<Settings&>(settings), row, input));
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
}

std::string defaultSensorClass(const AnalogInput& input, SettingRows rows)
{
    // The default class fits volts only.
    const std::string fallback = fallbackText(*rowOf(&AnalogInput::haDeviceClass, rows), 0);
    return sensorClassProblem(fallback, haUnitOf(input), false).empty() ? fallback : "";
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
