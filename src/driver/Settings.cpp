// Reads the settings file with toml++ and checks every value where it stands, so that a typo or a
// value the log or the window cannot hold is refused before the board is contacted.
#include "driver/Settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

// No exceptions: a failed parse is a result like any other. Numbers through <charconv>, which
// GCC has for doubles too: toml++'s stringstreams would double the size of the Windows program.
#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0
#define TOML_FLOAT_CHARCONV 1
#include <toml++/toml.h>

#include "assets/Assets.h"
#include "driver/LoggerState.h"
#include "driver/TextCodec.h"
#include "logging/LogInterval.h"
#include "platform/files.h"
#include "publish/DeviceClasses.h"

namespace {

// A reading of 9999 (the most the board's four digits give) must stay below this many units,
// so that every value fits the log with its decimals and reads back exactly.
constexpr double largestValue = 1e12;
// Far more than any settings file; a device that never ends (/dev/zero) ends the reading too.
constexpr std::size_t settingsLimit = std::size_t{1} << 20;

struct Reader {
    std::string name;
    SettingsProblem& problem;
    bool failed = false;
};

// What is wrong, in English for the usage error (UTF-8) and in German for the settings window
// (Latin-1).
struct Words {
    std::string english;
    std::string german;
};

// Records the first problem only; false, so that a check can return it.
bool fail(Reader& reader, const toml::source_region& where, const std::string& key, const Words& what)
{
    if (reader.failed) return false;
    reader.failed = true;
    reader.problem = {reader.name, static_cast<int>(where.begin.line), static_cast<int>(where.begin.column), key,
                      what.english, what.german};
    return false;
}

std::optional<std::string> textOf(Reader& reader, const toml::node& node, const std::string& key)
{
    if (const auto* text = node.as_string()) return text->get();
    fail(reader, node.source(), key, {"a text in quotes is needed", "ein Text in Anf\xFChrungszeichen ist n\xF6tig"});
    return std::nullopt;
}

std::optional<std::int64_t> wholeOf(Reader& reader, const toml::node& node, const std::string& key)
{
    if (const auto* whole = node.as_integer()) return whole->get();
    fail(reader, node.source(), key, {"a whole number is needed", "eine ganze Zahl ist n\xF6tig"});
    return std::nullopt;
}

std::optional<double> numberOf(Reader& reader, const toml::node& node, const std::string& key)
{
    double value = 0;
    if (const auto* whole = node.as_integer()) {
        value = static_cast<double>(whole->get());
    } else if (const auto* real = node.as_floating_point()) {
        value = real->get();
    } else {
        fail(reader, node.source(), key, {"a number is needed", "eine Zahl ist n\xF6tig, mit Punkt: 0.5"});
        return std::nullopt;
    }
    if (!std::isfinite(value)) {
        fail(reader, node.source(), key, {"a finite number is needed", "eine endliche Zahl ist n\xF6tig"});
        return std::nullopt;
    }
    return value;
}

// A text that the window, the log and the report can show as it is: Latin-1, no control
// character, no comma (it would split the log's column), at most limit characters.
std::optional<std::string> shownTextOf(Reader& reader, const toml::node& node, const std::string& key,
                                       std::size_t limit)
{
    const std::optional<std::string> utf8 = textOf(reader, node, key);
    if (!utf8) return std::nullopt;
    const std::optional<std::string> text = latin1FromUtf8(*utf8);
    std::optional<Words> wrong;
    if (!text) {
        wrong = {"holds a character that the log and the window (Latin-1) cannot hold",
                 "enth\xE4lt ein Zeichen, das Logdatei und Fenster (Latin-1) nicht darstellen k\xF6nnen"};
    } else if (text->empty()) {
        wrong = {"an empty text; a text is needed", "ist leer; ein Text ist n\xF6tig"};
    } else if (text->find(',') != std::string::npos) {
        wrong = {"holds a comma, which would split the log's column",
                 "enth\xE4lt ein Komma, das die Spalte der Logdatei teilen w\xFCrde"};
    } else if (std::ranges::any_of(*text, [](char c) {
                   const auto byte = static_cast<unsigned char>(c);
                   return byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
               })) {
        wrong = {"holds a control character", "enth\xE4lt ein Steuerzeichen"};
    } else if (text->size() > limit) {
        const std::string count = std::to_string(limit);
        wrong = {"longer than " + count + " characters, more than the window shows",
                 "ist l\xE4nger als " + count + " Zeichen, mehr als das Fenster zeigt"};
    }
    if (wrong) {
        fail(reader, node.source(), key, *wrong);
        return std::nullopt;
    }
    return text;
}

// Calls take(key, node) for every entry of a section, each key of which must be one of known.
template <typename Take>
void readSection(Reader& reader, const toml::node& node, const std::string& path,
                 std::initializer_list<std::string_view> known, Take take)
{
    const toml::table* table = node.as_table();
    if (!table) {
        fail(reader, node.source(), path,
             {"a section [" + path + "] is needed", "ein Abschnitt [" + path + "] ist n\xF6tig"});
        return;
    }
    for (const auto& [key, value] : *table) {
        const std::string name = path + "." + std::string(key.str());
        if (std::ranges::find(known, key.str()) == known.end()) {
            fail(reader, key.source(), name, {"unknown setting", "unbekannte Einstellung"});
            return;
        }
        take(key.str(), value, name);
        if (reader.failed) return;
    }
}

// [analog.1] to [analog.4], [digital.1] to [digital.4].
template <typename Take>
void readInputs(Reader& reader, const toml::node& node, const std::string& path, Take take)
{
    const toml::table* table = node.as_table();
    if (!table) {
        fail(reader, node.source(), path,
             {"sections [" + path + ".1] to [" + path + ".4] are needed",
              "Abschnitte [" + path + ".1] bis [" + path + ".4] sind n\xF6tig"});
        return;
    }
    for (const auto& [key, value] : *table) {
        const std::string_view number = key.str();
        if (number.size() != 1 || number[0] < '1' || number[0] > '4') {
            fail(reader, key.source(), path + "." + std::string(number),
                 {"inputs are numbered 1 to 4", "die Eing\xE4nge sind von 1 bis 4 nummeriert"});
            return;
        }
        take(static_cast<std::size_t>(number[0] - '1'), value, path + "." + std::string(number));
        if (reader.failed) return;
    }
}

void readBoard(Reader& reader, const toml::node& node, LoggerOptions& options)
{
    readSection(reader, node, "board", {"host", "port"}, [&](std::string_view key, const toml::node& value,
                                                             const std::string& name) {
        if (key == "host") {
            const std::optional<std::string> host = textOf(reader, value, name);
            if (!host) return;
            if (host->empty() || host->size() > 253 || std::ranges::any_of(*host, [](char c) {
                    return static_cast<unsigned char>(c) <= ' ' || c == 0x7F;
                }))
                fail(reader, value.source(), name,
                     {"an address or host name without blanks is needed",
                      "eine Adresse oder ein Rechnername ohne Leerzeichen ist n\xF6tig"});
            options.host = host;
        } else {
            const std::optional<std::int64_t> port = wholeOf(reader, value, name);
            if (port && (*port < 1 || *port > 65535))
                fail(reader, value.source(), name, {"a port from 1 to 65535 is needed", "ein Port von 1 bis 65535 ist n\xF6tig"});
            if (port) options.port = static_cast<int>(*port);
        }
    });
}

void readLog(Reader& reader, const toml::node& node, LoggerOptions& options)
{
    readSection(reader, node, "log", {"file", "interval", "schedule"}, [&](std::string_view key,
                                                                          const toml::node& value,
                                                                          const std::string& name) {
        const std::optional<std::string> text = textOf(reader, value, name);
        if (!text) return;
        if (key == "file") {
            if (text->empty()) fail(reader, value.source(), name, {"a file name is needed", "ein Dateiname ist n\xF6tig"});
            options.logFile = platform::filePathFromUtf8(*text);
        } else if (key == "interval") {
            LoggerState scratch;
            parseInterval(scratch, *text);
            if (!intervalValid(scratch))
                fail(reader, value.source(), name,
                     {"not an interval: a unit letter S, M, H or D and a number, at least one second (S10, M1.5)",
                      "kein Intervall: ein Buchstabe S, M, H oder D und eine Zahl, mindestens eine Sekunde (S10, M1.5)"});
            options.interval = text;
        } else {
            if (*text != "drift" && *text != "aligned")
                fail(reader, value.source(), name, {"drift or aligned is needed", "drift oder aligned ist n\xF6tig"});
            options.schedule = text;
        }
    });
}

void readAnalog(Reader& reader, std::size_t input, const toml::node& node, const std::string& path,
                LoggerOptions& options)
{
    AnalogOptions& analog = options.analog[input];
    readSection(reader, node, path, {"label", "unit", "scale", "offset", "decimals", "ha_device_class"},
                [&](std::string_view key, const toml::node& value, const std::string& name) {
        if (key == "label") {
            analog.label = shownTextOf(reader, value, name, labelLimit);
            // The report would take the bracketed end for a unit.
            if (analog.label && analog.label->ends_with(']'))
                fail(reader, value.source(), name,
                     {"ends in ], which the log's column title keeps for the unit",
                      "endet auf ], das in der Spalten\xFC" "berschrift der Logdatei die Einheit schlie\xDFt"});
        } else if (key == "unit") {
            analog.unit = shownTextOf(reader, value, name, unitLimit);
            if (analog.unit && analog.unit->find_first_of("[]") != std::string::npos)
                fail(reader, value.source(), name,
                     {"holds [ or ], which enclose the unit in the log's column title",
                      "enth\xE4lt [ oder ], die in der Spalten\xFC" "berschrift der Logdatei die Einheit einschlie\xDF" "en"});
        } else if (key == "scale") {
            analog.scale = numberOf(reader, value, name);
            if (analog.scale == 0.0)
                fail(reader, value.source(), name, {"0 would make every value the offset", "0 machte jeden Wert zum Offset"});
        } else if (key == "offset") {
            analog.offset = numberOf(reader, value, name);
        } else if (key == "decimals") {
            const std::optional<std::int64_t> decimals = wholeOf(reader, value, name);
            if (decimals && (*decimals < 0 || *decimals > decimalsLimit))
                fail(reader, value.source(), name,
                     {"0 to " + std::to_string(decimalsLimit) + " decimals are possible",
                      "0 bis " + std::to_string(decimalsLimit) + " Nachkommastellen sind m\xF6glich"});
            if (decimals) analog.decimals = static_cast<int>(*decimals);
        } else {
            analog.haDeviceClass = textOf(reader, value, name);
        }
    });
    if (reader.failed) return;

    // What the input then is, for the checks that weigh one setting against another.
    LoggerState state;
    resetLoggerState(state);
    applySettings(state, options);
    const AnalogInput& effective = state.settings.analog[input];
    const toml::table& table = *node.as_table();
    const auto where = [&](std::string_view key) {
        const toml::node* given = table.get(key);
        return given ? given->source() : node.source();
    };
    if (9999 * std::fabs(effective.scale) + std::fabs(effective.offset) >= largestValue)
        fail(reader, where(analog.scale ? "scale" : "offset"), path + (analog.scale ? ".scale" : ".offset"),
             {"a reading of 9999 would give 10^12 or more", "ein Messwert von 9999 erg\xE4" "be 10^12 oder mehr"});
    else if (!effective.haDeviceClass.empty() && analog.haDeviceClass) {
        const std::string problem = sensorClassProblem(effective.haDeviceClass, haUnitOf(effective), false);
        if (!problem.empty())
            fail(reader, where("ha_device_class"), path + ".ha_device_class",
                 {problem, sensorClassProblem(effective.haDeviceClass, haUnitOf(effective), true)});
    }
}

void readDigital(Reader& reader, std::size_t input, const toml::node& node, const std::string& path,
                 LoggerOptions& options)
{
    DigitalOptions& digital = options.digital[input];
    readSection(reader, node, path, {"label", "open", "closed", "ha_device_class"},
                [&](std::string_view key, const toml::node& value, const std::string& name) {
        if (key == "label") {
            digital.label = shownTextOf(reader, value, name, labelLimit);
        } else if (key == "open") {
            digital.openText = shownTextOf(reader, value, name, stateTextLimit);
        } else if (key == "closed") {
            digital.closedText = shownTextOf(reader, value, name, stateTextLimit);
        } else {
            digital.haDeviceClass = textOf(reader, value, name);
            if (digital.haDeviceClass && !digital.haDeviceClass->empty()) {
                const std::string problem = binarySensorClassProblem(*digital.haDeviceClass, false);
                if (!problem.empty())
                    fail(reader, value.source(), name, {problem, binarySensorClassProblem(*digital.haDeviceClass, true)});
            }
        }
    });
    if (reader.failed) return;
    LoggerState state;
    resetLoggerState(state);
    applySettings(state, options);
    const DigitalInput& effective = state.settings.digital[input];
    if (effective.openText == effective.closedText) {
        const toml::node* given = node.as_table()->get(digital.openText ? "open" : "closed");
        fail(reader, given->source(), path + (digital.openText ? ".open" : ".closed"),
             {"open and closed need texts of their own", "offen und geschlossen brauchen verschiedene Texte"});
    }
}

void readMqtt(Reader& reader, const toml::node& node, LoggerOptions& options)
{
    readSection(reader, node, "mqtt", {"url", "password_file", "ca", "name", "ha_discovery"},
                [&](std::string_view key, const toml::node& value, const std::string& name) {
        const std::optional<std::string> text = textOf(reader, value, name);
        if (key == "url") options.mqttUrl = text;
        else if (key == "password_file") options.mqttPasswordFile = text ? platform::filePathFromUtf8(*text) : text;
        else if (key == "ca") options.mqttCa = text ? platform::filePathFromUtf8(*text) : text;
        else if (key == "name") options.name = text;
        else options.haDiscovery = text;
    });
}

}  // namespace

std::string problemText(const SettingsProblem& problem)
{
    std::string text = problem.file;
    if (problem.line > 0) text += ":" + std::to_string(problem.line) + ":" + std::to_string(problem.column);
    text += ": ";
    if (!problem.key.empty()) text += problem.key + ": ";
    return text + problem.what;
}

bool readSettingsText(std::string_view text, const std::string& name, LoggerOptions& options,
                      SettingsProblem& problem)
{
    Reader reader{name, problem};
    toml::parse_result parsed = toml::parse(text, name);
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        const std::string description(error.description());
        fail(reader, error.source(), "", {description, "TOML-Syntaxfehler: " + description});
        return false;
    }
    for (const auto& [key, node] : parsed.table()) {
        const std::string_view section = key.str();
        if (section == "board") readBoard(reader, node, options);
        else if (section == "log") readLog(reader, node, options);
        else if (section == "analog")
            readInputs(reader, node, "analog", [&](std::size_t input, const toml::node& value, const std::string& path) {
                readAnalog(reader, input, value, path, options);
            });
        else if (section == "digital")
            readInputs(reader, node, "digital", [&](std::size_t input, const toml::node& value, const std::string& path) {
                readDigital(reader, input, value, path, options);
            });
        else if (section == "mqtt") readMqtt(reader, node, options);
        else fail(reader, key.source(), std::string(section), {"unknown section", "unbekannter Abschnitt"});
        if (reader.failed) return false;
    }
    return true;
}

bool readSettingsFile(const std::string& path, LoggerOptions& options, SettingsProblem& problem)
{
    // Plain stdio, not the streams, for the same reason.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::string content;
    bool read = file != nullptr;
    while (read) {
        char chunk[4096];
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        content.append(chunk, got);
        if (got < sizeof chunk) {
            read = std::ferror(file) == 0;
            break;
        }
        read = content.size() <= settingsLimit;
    }
    if (file) std::fclose(file);
    if (!read) {
        problem = {path, 0, 0, "", "cannot be read", "kann nicht gelesen werden"};
        return false;
    }
    return readSettingsText(content, path, options, problem);
}

std::string loadSettings(LoggerOptions& options)
{
    if (options.schedule && *options.schedule != "drift" && *options.schedule != "aligned")
        return "--schedule takes drift or aligned: " + *options.schedule;
    std::string path = options.settingsFile.value_or("");
    if (options.service) {
        const std::string& name = *options.service;
        if (name.empty() || name.front() == '.' || name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                                     "0123456789_.-") != std::string::npos)
            return "--service takes letters A-Z and a-z, digits, '_', '.' and '-': " + name;
        if (platform::fileServiceSettingsPath(name).empty()) return "This build runs no service: --service cannot be used.";
        if (path.empty()) path = platform::fileServiceSettingsPath(name);
    } else if (path.empty()) {
        path = platform::fileDefaultSettingsPath();
    }
    LoggerOptions fromFile;
    if (!path.empty() && (options.settingsFile || platform::fileExists(path))) {
        SettingsProblem problem;
        if (!readSettingsFile(path, fromFile, problem)) return problemText(problem);
    }
    mergeSettings(options, fromFile);
    if (options.service) {
        // Nobody answers a prompt for the service.
        if (!options.logFile) options.logFile = platform::fileServiceLogPath(*options.service);
        if (!options.interval) options.interval = "S10";
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

std::string settingsFileText(const std::vector<GivenSetting>& given)
{
    const auto find = [&](const std::string& key) -> const GivenSetting* {
        for (const GivenSetting& setting : given)
            if (setting.key == key) return &setting;
        return nullptr;
    };
    const std::string_view pattern(reinterpret_cast<const char*>(exampleSettings), exampleSettingsSize);
    std::string out;
    // One section of the pattern with its settings, for input n where it is an input's.
    const auto emitSection = [&](std::string_view lines, const std::string& section, bool withComments) {
        bool any = false;
        for (const GivenSetting& setting : given) any = any || setting.key.starts_with(section + ".");
        for (std::size_t at = 0; at < lines.size();) {
            const std::size_t end = std::min(lines.find('\n', at), lines.size());
            std::string line(lines.substr(at, end - at));
            at = end + 1;
            if (line.starts_with("#[")) {
                out += (any ? "[" : "#[") + section + "]\n";
            } else if (const std::size_t equals = line.find(" = "); line.starts_with('#') && equals != std::string::npos &&
                                                                     line.find(' ') == equals) {
                const std::string key = line.substr(1, equals - 1);
                const GivenSetting* setting = find(section + "." + key);
                out += setting ? key + " = " + setting->value : line;
                out += '\n';
            } else if (withComments) {
                out += line + '\n';
            }
        }
    };
    // The pattern's blocks are separated by blank lines; the inputs' blocks hold input 1's section.
    std::size_t at = 0;
    while (at < pattern.size()) {
        std::size_t end = pattern.find("\n\n", at);
        end = end == std::string_view::npos ? pattern.size() : end + 1;
        const std::string_view block = pattern.substr(at, end - at);
        at = end + 1;
        const std::size_t open = block.find("#[");
        if (open == std::string_view::npos) {
            out += std::string(block) + "\n";
            continue;
        }
        const std::string_view name = block.substr(open + 2, block.find(']', open) - open - 2);
        if (name.ends_with(".1")) {
            const std::string kind(name.substr(0, name.size() - 2));
            for (char n = '1'; n <= '4'; ++n) {
                std::string copy(block);
                // The defaults that name the input.
                for (std::size_t number = copy.find("Nr. 1"); number != std::string::npos;
                     number = copy.find("Nr. 1", number + 1))
                    copy[number + 4] = n;
                emitSection(n == '1' ? std::string_view(copy) : std::string_view(copy).substr(open), kind + "." + n, n == '1');
                if (n < '4') out += '\n';
            }
        } else {
            emitSection(block, std::string(name), true);
        }
        out += '\n';
    }
    while (out.ends_with("\n\n")) out.pop_back();
    return out;
}

void mergeSettings(LoggerOptions& options, const LoggerOptions& fromFile)
{
    const auto fill = [](auto& into, const auto& from) {
        if (!into && from) into = from;
    };
    fill(options.host, fromFile.host);
    fill(options.port, fromFile.port);
    fill(options.logFile, fromFile.logFile);
    fill(options.interval, fromFile.interval);
    fill(options.schedule, fromFile.schedule);
    for (std::size_t i = 0; i < 4; ++i) {
        AnalogOptions& analog = options.analog[i];
        const AnalogOptions& fileAnalog = fromFile.analog[i];
        fill(analog.label, fileAnalog.label);
        fill(analog.unit, fileAnalog.unit);
        fill(analog.scale, fileAnalog.scale);
        fill(analog.offset, fileAnalog.offset);
        fill(analog.decimals, fileAnalog.decimals);
        fill(analog.haDeviceClass, fileAnalog.haDeviceClass);
        DigitalOptions& digital = options.digital[i];
        const DigitalOptions& fileDigital = fromFile.digital[i];
        fill(digital.label, fileDigital.label);
        fill(digital.openText, fileDigital.openText);
        fill(digital.closedText, fileDigital.closedText);
        fill(digital.haDeviceClass, fileDigital.haDeviceClass);
    }
    fill(options.mqttUrl, fromFile.mqttUrl);
    fill(options.mqttPasswordFile, fromFile.mqttPasswordFile);
    fill(options.mqttCa, fromFile.mqttCa);
    fill(options.name, fromFile.name);
    fill(options.haDiscovery, fromFile.haDiscovery);
}

void applySettings(LoggerState& state, const LoggerOptions& options)
{
    if (options.host) state.settings.boardHost = *options.host;
    if (options.port) state.settings.boardPort = *options.port;
    if (options.logFile) state.settings.logFilePath = *options.logFile;
    if (options.schedule) state.settings.schedule = *options.schedule == "aligned" ? Schedule::aligned : Schedule::drift;
    for (std::size_t i = 0; i < 4; ++i) {
        const AnalogOptions& analog = options.analog[i];
        AnalogInput& input = state.settings.analog[i];
        if (analog.label) input.label = *analog.label;
        input.quantity = analog.unit || analog.scale || analog.offset || analog.decimals;
        if (analog.unit) input.unit = *analog.unit;
        if (analog.scale) input.scale = *analog.scale;
        if (analog.offset) input.offset = *analog.offset;
        if (analog.decimals) input.decimals = *analog.decimals;
        // The default class fits volts only.
        if (!input.haDeviceClass.empty() && !sensorClassProblem(input.haDeviceClass, haUnitOf(input), false).empty())
            input.haDeviceClass.clear();
        if (analog.haDeviceClass) input.haDeviceClass = *analog.haDeviceClass;

        const DigitalOptions& digital = options.digital[i];
        DigitalInput& contact = state.settings.digital[i];
        if (digital.label) contact.label = *digital.label;
        if (digital.openText) contact.openText = *digital.openText;
        if (digital.closedText) contact.closedText = *digital.closedText;
        if (digital.haDeviceClass) contact.haDeviceClass = *digital.haDeviceClass;
    }
}
