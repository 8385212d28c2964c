// Reads the settings file with toml++ and checks every value where it stands, so that a typo or a
// value the log or the window cannot hold is refused before the board is contacted.
#include "settings/SettingsFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

// No exceptions: a failed parse is a result like any other. Numbers through <charconv>, which
// GCC has for doubles too: toml++'s stringstreams would double the size of the Windows program.
#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0
#define TOML_FLOAT_CHARCONV 1
#include <toml++/toml.h>

#include "assets/Assets.h"
#include "driver/Messages.h"
#include "driver/TextCodec.h"
#include "platform/files.h"
#include "publish/DeviceClasses.h"
#include "publish/Publishing.h"

namespace {

// The most whole digits of a value in the log, and of a value with its decimals that a double
// keeps exact through the rounding.
constexpr int logDigits = 12;
constexpr int exactDigits = 14;
// Far more than any settings file; a device that never ends (/dev/zero) ends the reading too.
constexpr std::size_t settingsLimit = std::size_t{1} << 20;

struct Reader {
    std::string name;
    SettingsProblem& problem;
    Settings& settings;
    SettingRows rows;
    bool failed = false;
    std::map<std::size_t, toml::source_region> places;  // of the given keys, by their bits
};

// Records the first problem only; false, for a value that is not taken.
bool fail(Reader& reader, const toml::source_region& where, const std::string& key, const std::string& english,
          const std::string& german)
{
    if (reader.failed) return false;
    reader.failed = true;
    reader.problem = {reader.name, static_cast<int>(where.begin.line), static_cast<int>(where.begin.column), key,
                      english, german};
    return false;
}

// Reads one value into the settings; false where its kind refuses it, and then nothing is taken.
// A value that the row's own rules refuse is taken all the same, for the window to show it
// beside its message.
bool readValue(Reader& reader, const SettingRow& row, std::size_t input, const toml::node& node)
{
    const std::string key = keyName(row, input);
    const auto wrong = [&](const Words& words) {
        return fail(reader, node.source(), key, wordsOf(row, words.english), wordsOf(row, words.german));
    };
    // Taken, though the row's rules may refuse it.
    const auto taken = [&](bool refused) {
        if (refused) wrong(row.wrong);
        return true;
    };
    Settings& settings = reader.settings;
    if (row.kind == SettingKind::whole) {
        const auto* whole = node.as_integer();
        if (!whole) return wrong({"a whole number is needed", "eine ganze Zahl ist n\xF6tig"});
        setFromText(settings, row, input, std::to_string(static_cast<int>(whole->get())), false);
        return taken(whole->get() < row.low || whole->get() > row.high);
    }
    if (row.kind == SettingKind::number) {
        double value = 0;
        if (const auto* whole = node.as_integer()) value = static_cast<double>(whole->get());
        else if (const auto* real = node.as_floating_point()) value = real->get();
        else return wrong({"a number is needed", "eine Zahl ist n\xF6tig, mit Punkt: 0.5"});
        if (!std::isfinite(value)) return wrong({"a finite number is needed", "eine endliche Zahl ist n\xF6tig"});
        setFromText(settings, row, input, shortestText(value));
        return taken((row.check == SettingCheck::nonZero && value == 0.0) ||
                     (row.check == SettingCheck::notNegative && value < 0.0));
    }
    if (row.kind == SettingKind::flag) {
        const auto* flag = node.as_boolean();
        if (!flag) return wrong({"true or false is needed", "true oder false ist n\xF6tig"});
        setFromText(settings, row, input, flag->get() ? "true" : "false");
        return true;
    }
    if (row.kind == SettingKind::list) {
        const auto* array = node.as_array();
        std::string joined;
        bool fits = array != nullptr && !array->empty();
        for (std::size_t i = 0; fits && i < array->size(); ++i) {
            const auto* part = array->get(i)->as_string();
            fits = part != nullptr && !part->get().empty() &&
                   std::ranges::none_of(part->get(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
            if (fits) joined += (i == 0 ? "" : std::string(1, listSeparator)) + part->get();
        }
        if (!fits) return wrong(row.wrong);
        setFromText(settings, row, input, joined);
        return true;
    }
    const auto* utf8 = node.as_string();
    if (!utf8) return wrong({"a text in quotes is needed", "ein Text in Anf\xFChrungszeichen ist n\xF6tig"});
    std::string text = utf8->get();
    if (row.kind == SettingKind::shown) {
        const std::optional<std::string> latin1 = latin1FromUtf8(text);
        if (!latin1)
            return wrong({"holds a character that the log and the window (Latin-1) cannot hold",
                          "enth\xE4lt ein Zeichen, das Logdatei und Fenster (Latin-1) nicht darstellen k\xF6nnen"});
        text = *latin1;
    }
    const std::optional<Message> refusal = refusalOf(row, text);
    if (row.kind == SettingKind::path) text = platform::filePathFromUtf8(text);
    // A choice that is none is given all the same, and refused.
    if (!setFromText(settings, row, input, text)) return taken(true);
    if (refusal) fail(reader, node.source(), key, refusal->english, refusal->german);
    return true;
}

// The checks that weigh one setting of an input against another, once its section is read.
void checkInput(Reader& reader, const SettingSection& section, std::size_t input, const toml::table& table)
{
    Settings& settings = reader.settings;
    const std::string path = std::string(section.name) + "." + std::to_string(input + 1);
    const auto given = [&](SettingField field) { return isGiven(settings, field, input, reader.rows); };
    const auto where = [&](const char* key) {
        const toml::node* node = table.get(key);
        return node ? node->source() : table.source();
    };
    if (section.name == std::string_view("digital")) {
        const DigitalInput& digital = settings.digital[input];
        const char* key = given(&DigitalInput::openText) ? "open" : "closed";
        if (digital.openText == digital.closedText)
            fail(reader, where(key), path + "." + key, "open and closed need texts of their own",
                 "offen und geschlossen brauchen verschiedene Texte");
        return;
    }
    settleInput(settings, input, reader.rows);
    const AnalogInput& analog = settings.analog[input];
    if (given(&AnalogInput::alarmAbove) && given(&AnalogInput::alarmBelow) && analog.alarmAbove <= analog.alarmBelow) {
        fail(reader, where("alarm_above"), path + ".alarm_above", "needs to be greater than alarm_below",
             "muss gr\xF6\xDF" "er als alarm_below sein");
        return;
    }
    // Every value must fit the log and read back exactly: below 10^12, and with its decimals at
    // most 14 digits, which a double's rounding keeps right.
    const int digits = std::min(logDigits, exactDigits - analog.decimals);
    const double largest = 9999 * std::fabs(analog.scale) + std::fabs(analog.offset);
    if (largest >= std::pow(10.0, digits)) {
        // What makes it too large: the decimals where the value alone would fit, else the larger part.
        const char* key = largest < std::pow(10.0, logDigits) && given(&AnalogInput::decimals) ? "decimals"
                          : given(&AnalogInput::scale) && (9999 * std::fabs(analog.scale) >= std::fabs(analog.offset) ||
                                                           !given(&AnalogInput::offset))
                              ? "scale"
                              : "offset";
        const std::string power = "10^" + std::to_string(digits);
        const std::string places = std::to_string(analog.decimals);
        fail(reader, where(key), path + "." + key,
             "a reading of 9999 would give " + power + " or more" +
                 (digits < logDigits ? ", too much to keep " + places + " decimals exact" : ""),
             "ein Messwert von 9999 erg\xE4" "be " + power + " oder mehr" +
                 (digits < logDigits ? ", zu viel f\xFCr " + places + " genaue Nachkommastellen" : ""));
        return;
    }
    const std::string unit = haUnitOf(analog);
    if (!analog.haDeviceClass.empty() && given(&AnalogInput::haDeviceClass)) {
        if (const Message problem = sensorClassProblem(analog.haDeviceClass, unit); !problem.empty())
            fail(reader, where("ha_device_class"), path + ".ha_device_class", problem.english, problem.german);
    } else if (unit.empty()) {
        // Home Assistant takes a sensor without a unit for these classes only.
        std::string unitless;
        for (const SensorClass& sensorClass : sensorClasses)
            if (sensorClassProblem(sensorClass.name, "").empty())
                unitless += (unitless.empty() ? "" : ", ") + std::string(sensorClass.name);
        fail(reader, where("unit"), path + ".unit", "is empty, which only a Home Assistant class of no unit takes: " + unitless,
             "ist leer, was nur eine Home-Assistant-Klasse ohne Einheit nimmt: " + unitless);
    }
    if (given(&AnalogInput::haStateClass))
        if (const Message problem = stateClassProblem(analog.haDeviceClass, analog.haStateClass, unit); !problem.empty())
            fail(reader, where("ha_state_class"), path + ".ha_state_class", problem.english, problem.german);
}

// Two columns of one name, which the report and a spreadsheet could not tell apart.
void checkColumns(Reader& reader)
{
    std::vector<std::pair<const SettingRow*, std::size_t>> labels;  // each input's label
    for (const SettingField field : {SettingField(&AnalogInput::label), SettingField(&DigitalInput::label)})
        for (std::size_t input = 0; input < 4; ++input) labels.emplace_back(rowOf(field, reader.rows), input);
    const auto bit = [&](std::size_t k) { return givenBit(reader.rows, *labels[k].first, labels[k].second); };
    for (std::size_t k = 0; k < labels.size(); ++k) {
        for (std::size_t j = 0; j < k; ++j) {
            if (storedText(reader.settings, *labels[k].first, labels[k].second) !=
                storedText(reader.settings, *labels[j].first, labels[j].second))
                continue;
            // Said where the file gives a label: at the later one, else at the earlier.
            const bool later = reader.places.contains(bit(k));
            const std::size_t at = later ? k : j;
            const std::string other = keyName(*labels[later ? j : k].first, labels[later ? j : k].second);
            fail(reader, reader.places[bit(at)], keyName(*labels[at].first, labels[at].second),
                 "the same as " + other + ": each column needs a name of its own",
                 "gleich wie " + other + ": jede Spalte braucht einen eigenen Namen");
            return;
        }
    }
}

// What the MQTT settings of the file need of each other.
void checkMqtt(Reader& reader)
{
    const std::optional<MqttUrl> url = parseMqttUrl(reader.settings.mqttUrl);
    const auto place = [&](SettingField field) { return reader.places.find(givenBit(reader.rows, *rowOf(field), 0)); };
    if (!url || place(&Settings::mqttUrl) == reader.places.end()) return;
    const auto failWith = [&](const auto& place, const char* key, MessageId id) {
        const Message why = message(id, {""});
        fail(reader, place->second, key, why.english, why.german);
    };
    if (const auto ca = place(&Settings::mqttCa); ca != reader.places.end() && !url->tls)
        failWith(ca, "mqtt.ca", MessageId::caNeedsTls);
    if (const auto file = place(&Settings::mqttPasswordFile); file != reader.places.end() && url->user.empty())
        failWith(file, "mqtt.password_file", MessageId::passwordFileNeedsUser);
}

// The keys of one section, for input where it is an input's; false after a problem.
bool readSection(Reader& reader, const SettingSection& section, std::size_t input, const toml::node& node,
                 const std::string& path)
{
    const toml::table* table = node.as_table();
    if (!table)
        return fail(reader, node.source(), path, "a section [" + path + "] is needed",
                    "ein Abschnitt [" + path + "] ist n\xF6tig");
    for (const auto& [key, value] : *table) {
        const std::string_view name = key.str();  // a binding that clang 14 cannot capture
        const auto row = std::ranges::find_if(reader.rows, [&](const SettingRow& candidate) {
            return candidate.section == std::string_view(section.name) && candidate.key == name;
        });
        if (row == reader.rows.end())
            return fail(reader, key.source(), path + "." + std::string(name), "unknown setting",
                        "unbekannte Einstellung");
        if (readValue(reader, *row, input, value)) {
            reader.settings.given.set(givenBit(reader.rows, *row, input));
            reader.places[givenBit(reader.rows, *row, input)] = value.source();
        }
        if (reader.failed) return false;
    }
    if (section.title) checkInput(reader, section, input, *table);
    return !reader.failed;
}

// [analog.1] to [analog.4], [digital.1] to [digital.4]; false after a problem.
bool readInputs(Reader& reader, const SettingSection& section, const toml::node& node)
{
    const std::string path = section.name;
    const toml::table* table = node.as_table();
    if (!table)
        return fail(reader, node.source(), path, "sections [" + path + ".1] to [" + path + ".4] are needed",
                    "Abschnitte [" + path + ".1] bis [" + path + ".4] sind n\xF6tig");
    for (const auto& [key, value] : *table) {
        const std::string_view number = key.str();
        const std::string name = path + "." + std::string(number);
        if (number.size() != 1 || number[0] < '1' || number[0] > '4')
            return fail(reader, key.source(), name, "inputs are numbered 1 to 4",
                        "die Eing\xE4nge sind von 1 bis 4 nummeriert");
        if (!readSection(reader, section, static_cast<std::size_t>(number[0] - '1'), value, name)) return false;
    }
    return true;
}

// The comment lines right above the line that starts at at.
std::string_view commentAbove(std::string_view text, std::size_t at)
{
    std::size_t start = at;
    while (start > 1) {
        const std::size_t previous = text.rfind('\n', start - 2);
        const std::size_t lineStart = previous == std::string_view::npos ? 0 : previous + 1;
        const std::string_view line = text.substr(lineStart, start - 1 - lineStart);
        if (line != "#" && !line.starts_with("# ")) break;
        start = lineStart;
    }
    return text.substr(start, at - start);
}

const std::string_view example(reinterpret_cast<const char*>(exampleSettings), exampleSettingsSize);

// The example file's comment above the line that starts with head in the part that begins with
// from (a section's line), or none.
std::string_view exampleComment(std::string_view from, std::string_view head)
{
    const std::size_t section = example.find("\n" + std::string(from));
    if (section == std::string_view::npos) return {};
    const std::size_t end = example.find("\n#[", section + 1);
    const std::size_t line = example.substr(0, end).find("\n" + std::string(head), section);
    return line == std::string_view::npos ? std::string_view{} : commentAbove(example, line + 1);
}

// A problem of no file and no key.
SettingsProblem said(const Message& words) { return {"", 0, 0, "", words.english, words.german}; }

}  // namespace

std::string problemText(const SettingsProblem& problem, Language language)
{
    const std::string& what = language == Language::german ? problem.german : problem.what;
    if (problem.file.empty()) return what;
    std::string text = printableLatin1(problem.file, 200);
    if (problem.line > 0) text += ":" + std::to_string(problem.line) + ":" + std::to_string(problem.column);
    text += ": ";
    if (!problem.key.empty()) text += printableLatin1(problem.key) + ": ";
    return text + what;
}

bool readSettingsText(std::string_view text, const std::string& name, Settings& settings, SettingsProblem& problem,
                      SettingRows rows)
{
    Reader reader{name, problem, settings, rows, false, {}};
    toml::parse_result parsed = toml::parse(text, name);
    if (!parsed) {
        const std::string description = printableLatin1(parsed.error().description(), 200);
        fail(reader, parsed.error().source(), "", description, "TOML-Syntaxfehler: " + description);
        return false;
    }
    for (const auto& [key, node] : parsed.table()) {
        const auto section = std::ranges::find(settingSections, key.str(), &SettingSection::name);
        if (section == settingSections.end())
            return fail(reader, key.source(), std::string(key.str()), "unknown section", "unbekannter Abschnitt");
        if (!(section->title ? readInputs(reader, *section, node) : readSection(reader, *section, 0, node, section->name)))
            return false;
    }
    checkColumns(reader);
    checkMqtt(reader);
    return !reader.failed;
}

bool readSettingsFile(const std::string& path, Settings& settings, SettingsProblem& problem, SettingRows rows)
{
    // A pipe would hold up the start with no word, and so a folder is no file either.
    const platform::FileKind kind = platform::fileKind(path);
    std::FILE* file = kind == platform::FileKind::regular ? std::fopen(path.c_str(), "rb") : nullptr;
    // Plain stdio, not the streams, for the same reason.
    std::string content;
    char chunk[4096];
    for (std::size_t got = 1; file && got > 0 && content.size() <= settingsLimit;) {
        got = std::fread(chunk, 1, sizeof chunk, file);
        content.append(chunk, got);
    }
    const bool failed = !file || std::ferror(file);
    if (file) std::fclose(file);
    Message why{"cannot be read", "kann nicht gelesen werden"};
    if (kind == platform::FileKind::missing) why = {"cannot be read: it does not exist", "kann nicht gelesen werden: es gibt sie nicht"};
    else if (kind == platform::FileKind::other)
        why = {"cannot be read: it is no file but a folder, a pipe or a device",
               "kann nicht gelesen werden: sie ist keine Datei, sondern ein Ordner, eine Pipe oder ein Ger\xE4t"};
    else if (kind == platform::FileKind::unreachable)
        why = {"cannot be read: the way to it is barred (a folder that may not be searched, a link to nothing)",
               "kann nicht gelesen werden: der Weg zu ihr ist versperrt (ein Ordner ohne Leserecht, ein Verweis ins Leere)"};
    else if (!failed && content.size() > settingsLimit)
        why = {"cannot be read: it is larger than 1 MiB, far more than any settings", "kann nicht gelesen werden: sie ist "
               "gr\xF6\xDF" "er als 1 MiB, weit mehr als alle Einstellungen"};
    else if (!failed)
        return readSettingsText(content, path, settings, problem, rows);
    problem = {path, 0, 0, "", why.english, why.german};
    return false;
}

SettingsProblem loadSettings(Settings& settings, const std::optional<std::string>& namedFile,
                         const std::optional<std::string>& service)
{
    std::string path = namedFile.value_or("");
    if (service) {
        const std::string& name = *service;
        if (name.empty() || name.front() == '.' || name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                                     "0123456789_.-") != std::string::npos)
            return said(message(MessageId::serviceName, {printableLatin1(name, 200)}));
        if (platform::fileServiceSettingsPath(name).empty()) return said(message(MessageId::noService));
        if (path.empty()) path = platform::fileServiceSettingsPath(name);
    } else if (path.empty()) {
        path = platform::fileDefaultSettingsPath();
    }
    Settings fromFile = defaultSettings();
    // Only a file that is not there means no settings; one that cannot be read is a problem.
    if (!path.empty() && (namedFile || platform::fileKind(path) != platform::FileKind::missing)) {
        SettingsProblem problem;
        if (!readSettingsFile(path, fromFile, problem)) return problem;
    }
    takeGiven(settings, fromFile);
    for (std::size_t input = 0; input < 4; ++input) settleInput(settings, input);
    if (service) {
        // Nobody answers a prompt for the service: it takes the default interval.
        if (!isGiven(settings, &Settings::logFilePath)) settings.logFilePath = platform::fileServiceLogPath(*service);
        settings.given.set(givenBit(settingRows, *rowOf(&Settings::interval), 0));
        // The instance's name stays when the board gets another address.
        if (!isGiven(settings, &Settings::name)) {
            settings.name = publishNameFromHost(*service);
            settings.given.set(givenBit(settingRows, *rowOf(&Settings::name), 0));
        }
    }
    return {};
}

std::string tomlText(std::string_view latin1) { return tomlUtf8Text(utf8FromLatin1(latin1)); }

std::string tomlUtf8Text(std::string_view utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            static constexpr char digits[] = "0123456789ABCDEF";
            out += "\\u00";
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string tomlValue(const SettingRow& row, const std::string& text)
{
    if (row.kind == SettingKind::list) {
        std::string array;
        for (const std::string& item : listItems(text)) array += (array.empty() ? "[" : ", ") + tomlUtf8Text(item);
        return array + "]";
    }
    if (row.kind == SettingKind::flag && (text == "true" || text == "false")) return text;
    // As a number reads, without its leading zeros, which TOML refuses.
    if (const std::optional<long long> whole = numberIn<long long>(text); whole && row.kind == SettingKind::whole)
        return std::to_string(*whole);
    const std::optional<double> number = row.kind == SettingKind::number ? numberIn<double>(text) : std::nullopt;
    // Written as the shortest text that reads back as the same double, which is valid TOML.
    return number ? shortestText(*number) : tomlText(text);
}

std::string settingsFileText(const std::vector<GivenSetting>& given, SettingRows rows, std::size_t inputs)
{
    // The comments come from the example: its opening, a section's above its first input's line.
    std::string out(example.substr(0, example.find("\n\n") + 1));
    for (const SettingSection& section : settingSections) {
        const std::string first = "#[" + std::string(section.name) + (section.title ? ".1]" : "]");
        out += "\n" + std::string(exampleComment(first, first));
        for (std::size_t input = 0; input < (section.title ? inputs : 1); ++input) {
            const std::string name = section.name + (section.title ? "." + std::to_string(input + 1) : "");
            const bool any = std::ranges::any_of(given, [&](const GivenSetting& setting) {
                return setting.key.starts_with(name + ".");
            });
            out += (input > 0 ? "\n" : "") + std::string(any ? "[" : "#[") + name + "]\n";
            for (const SettingRow& row : rows) {
                if (row.section != std::string_view(section.name)) continue;
                if (input == 0) out += exampleComment(first, "#" + std::string(row.key) + " = ");
                const auto setting = std::ranges::find(given, keyName(row, input), &GivenSetting::key);
                if (setting != given.end()) {
                    out += std::string(row.key) + " = " + setting->value + "\n";
                    continue;
                }
                const std::string value = row.example ? row.example : fallbackText(row, input);
                const bool number = row.kind == SettingKind::whole || row.kind == SettingKind::number ||
                                    row.kind == SettingKind::flag;
                out += "#" + std::string(row.key) + " = " +
                       (number ? value : row.kind == SettingKind::list ? tomlValue(row, value) : tomlText(value)) + "\n";
            }
        }
    }
    return out;
}
