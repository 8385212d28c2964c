// The settings window from its control table. Each field holds one setting as the text the user
// sees; saving writes the given ones into the file's pattern and reads that text back with the
// file's own reader, whose message then stands beside the field it names.
#include "display/SettingsWindow.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/BoardLink.h"
#include "driver/LoggerState.h"
#include "driver/Settings.h"
#include "logging/LogFormat.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/sockets.h"
#include "platform/window.h"
#include "publish/DeviceClasses.h"
#include "publish/Publishing.h"

namespace {

constexpr int clientWidth = 760;
constexpr int rowHeight = 22;
constexpr int connectionTestMs = 3000;
constexpr int previewReading = 512;
constexpr std::uint32_t red = 0x0000FF;
constexpr std::uint32_t blue = 0xFF0000;

// How a field's text goes into the file: a text in quotes, or a number as typed where it reads
// as one (else in quotes, so that the reader says that a number is needed).
enum class Value { text, number, whole };

// A setting of its own on a line: its label with the mnemonic, then its edit.
struct SingleField {
    int label;
    int edit;
    int x, y, labelWidth, width;
    const char* caption;
    const char* key;
    const char* name;  // in a message: "Port: ein Port von 1 bis 65535 ist nötig"
    Value value;
    bool emptyIsUnset;  // an empty field leaves the setting out
};

constexpr int hostEdit = 102;
constexpr int portEdit = 104;
constexpr int testButton = 105;
constexpr int testResult = 106;
constexpr int logFileEdit = 112;
constexpr int browseButton = 113;
constexpr int intervalLabel = 114;
constexpr int intervalEdit = 115;
constexpr int askCheck = 116;
constexpr int scheduleChoice = 118;
constexpr int guideButton = 241;
constexpr int saveButton = 242;
constexpr int cancelButton = 243;
constexpr int saveResult = 244;

constexpr SingleField boardAndLogFields[] = {
    {101, hostEdit, 12, 12, 120, 150, "&Adresse des Boards:", "board.host", "Adresse", Value::text, false},
    {103, portEdit, 292, 12, 34, 60, "P&ort:", "board.port", "Port", Value::whole, false},
    {111, logFileEdit, 12, 62, 120, 474, "&Logdatei:", "log.file", "Logdatei", Value::text, false},
    {intervalLabel, intervalEdit, 12, 90, 120, 80, "&Intervall:", "log.interval", "Intervall", Value::text, false},
};

constexpr SingleField mqttFields[] = {
    {221, 222, 12, 442, 120, 250, "&MQTT-Broker (URL):", "mqtt.url", "MQTT-Broker", Value::text, true},
    {223, 224, 392, 442, 50, 100, "&Name:", "mqtt.name", "Name", Value::text, true},
    {225, 226, 552, 442, 100, 96, "Discovery-&Pr\xE4" "fix:", "mqtt.ha_discovery", "Discovery-Pr\xE4" "fix",
     Value::text, true},
    {227, 228, 12, 470, 120, 250, "Pass&wortdatei:", "mqtt.password_file", "Passwortdatei", Value::text, true},
    {229, 230, 392, 470, 60, 296, "&CA-Datei:", "mqtt.ca", "CA-Datei", Value::text, true},
};

// A column of the tables of the analog and the digital inputs.
struct Column {
    int x, width;
    const char* heading;
    const char* key;
    const char* name;
    Value value;
};

constexpr Column analogColumns[] = {
    {56, 150, "Bezeichnung", "label", "Bezeichnung", Value::text},
    {212, 70, "Einheit", "unit", "Einheit", Value::text},
    {288, 84, "Skala", "scale", "Skala", Value::number},
    {378, 70, "Offset", "offset", "Offset", Value::number},
    {454, 44, "Stellen", "decimals", "Nachkommastellen", Value::whole},
    {504, 120, "Home-Assistant-Klasse", "ha_device_class", "Home-Assistant-Klasse", Value::text},
};
constexpr Column digitalColumns[] = {
    {56, 150, "Bezeichnung", "label", "Bezeichnung", Value::text},
    {212, 140, "Text offen", "open", "Text offen", Value::text},
    {358, 140, "Text geschlossen", "closed", "Text geschlossen", Value::text},
    {504, 120, "Home-Assistant-Klasse", "ha_device_class", "Home-Assistant-Klasse", Value::text},
};

// The tables' first rows and their controls: the headings are base + k, input n's (1 to 4) row
// base + 10 n + k, where column 0 is the row's number and the settings' columns follow.
constexpr int analogTop = 160;
constexpr int analogBase = 300;
constexpr int digitalTop = 310;
constexpr int digitalBase = 400;
constexpr int tableStep = 26;
constexpr int previewColumn = 7;

// Where each part's problem is said.
struct Section {
    const char* prefix;
    int message;
    int y;
};
constexpr Section sections[] = {
    {"board", 107, 38}, {"log", 119, 116}, {"analog", 350, 266}, {"digital", 450, 416}, {"mqtt", 231, 494},
};

// One setting in the window.
struct Field {
    int control;
    std::string key;
    std::string name;
    Value value;
    bool emptyIsUnset = false;
    std::string loaded;  // the text it opened with
    bool given = false;  // in the file, or changed since
    // A path as the file gave it, in UTF-8: the field shows it in Latin-1, which may have lost
    // characters, so a path left as it was is written back from this.
    std::string path;
};

struct SettingsForm {
    std::string path;
    std::vector<Field> fields;
    bool mqtt = false;
    bool intervalGiven = false;
    bool scheduleGiven = false;
    int scheduleLoaded = 0;
    bool networkStarted = false;
};

// The text of a setting as the window shows it: the file's where it has one, else the default.
std::string shownText(const LoggerOptions& file, const LoggerState& state, const std::string& key, bool& given)
{
    const auto text = [&](const std::optional<std::string>& value, const std::string& fallback) {
        given = value.has_value();
        return value.value_or(fallback);
    };
    const auto number = [&](const std::optional<double>& value, double fallback) {
        given = value.has_value();
        std::array<char, 32> digits{};
        const double shown = value.value_or(fallback);
        return std::string(digits.data(), std::to_chars(digits.data(), digits.data() + digits.size(), shown).ptr);
    };
    const auto whole = [&](const std::optional<int>& value, int fallback) {
        given = value.has_value();
        return std::to_string(value.value_or(fallback));
    };
    if (key == "board.host") return text(file.host, state.settings.boardHost);
    if (key == "board.port") return whole(file.port, state.settings.boardPort);
    const auto path = [&](const std::optional<std::string>& value, const std::string& fallback) {
        return text(value ? std::optional(platform::filePathText(*value)) : std::nullopt, platform::filePathText(fallback));
    };
    if (key == "log.file") return path(file.logFile, state.settings.logFilePath);
    if (key == "log.interval") return text(file.interval, "S10");
    if (key == "mqtt.url") return text(file.mqttUrl, "");
    if (key == "mqtt.name") return text(file.name, "");
    if (key == "mqtt.ha_discovery") return text(file.haDiscovery, "");
    if (key == "mqtt.password_file") return path(file.mqttPasswordFile, "");
    if (key == "mqtt.ca") return path(file.mqttCa, "");
    const auto input = static_cast<std::size_t>(key[key.find('.') + 1] - '1');
    const std::string setting = key.substr(key.rfind('.') + 1);
    if (key.starts_with("analog.")) {
        const AnalogOptions& set = file.analog[input];
        const AnalogInput& shown = state.settings.analog[input];
        if (setting == "label") return text(set.label, shown.label);
        if (setting == "unit") return text(set.unit, shown.unit);
        if (setting == "scale") return number(set.scale, shown.scale);
        if (setting == "offset") return number(set.offset, shown.offset);
        if (setting == "decimals") return whole(set.decimals, shown.decimals);
        return text(set.haDeviceClass, shown.haDeviceClass);
    }
    const DigitalOptions& set = file.digital[input];
    const DigitalInput& shown = state.settings.digital[input];
    if (setting == "label") return text(set.label, shown.label);
    if (setting == "open") return text(set.openText, shown.openText);
    if (setting == "closed") return text(set.closedText, shown.closedText);
    return text(set.haDeviceClass, shown.haDeviceClass);
}

Field* fieldOf(SettingsForm& form, int control)
{
    for (Field& field : form.fields)
        if (field.control == control) return &field;
    return nullptr;
}

Field* fieldOf(SettingsForm& form, const std::string& key)
{
    for (Field& field : form.fields)
        if (field.key == key) return &field;
    return nullptr;
}

void addEdit(SettingsForm& form, const LoggerOptions& file, const LoggerState& state, int control, int x, int y,
             int width, const std::string& key, const std::string& name, Value value, bool emptyIsUnset)
{
    Field field{control, key, name, value, emptyIsUnset, "", false, ""};
    field.loaded = shownText(file, state, key, field.given);
    const std::optional<std::string>* path = key == "log.file"             ? &file.logFile
                                             : key == "mqtt.password_file" ? &file.mqttPasswordFile
                                             : key == "mqtt.ca"            ? &file.mqttCa
                                                                           : nullptr;
    if (path && path->has_value()) field.path = platform::fileUtf8FromPath(**path);
    platform::uiCreateEdit(control, x, y, width, rowHeight, field.loaded);
    form.fields.push_back(std::move(field));
}

void addSingles(SettingsForm& form, const LoggerOptions& file, const LoggerState& state,
                const SingleField* begin, const SingleField* end)
{
    for (const SingleField* single = begin; single != end; ++single) {
        platform::uiCreateLabel(single->label, single->x, single->y + 2, single->labelWidth, rowHeight - 2,
                                single->caption);
        addEdit(form, file, state, single->edit, single->x + single->labelWidth, single->y, single->width,
                single->key, single->name, single->value, single->emptyIsUnset);
        if (single->edit == portEdit) {
            platform::uiCreateButton(testButton, 396, 11, 130, 24, "&Verbindung testen");
            platform::uiCreateText(testResult, 536, 8, 212, 32, "", platform::UiFrame::plain, platform::UiAlign::left);
        }
        if (single->edit == logFileEdit) platform::uiCreateButton(browseButton, 616, 61, 132, 24, "&Durchsuchen...");
    }
}

template <std::size_t columns>
void addTable(SettingsForm& form, const LoggerOptions& file, const LoggerState& state, const char* kind,
              const char* title, const Column (&table)[columns], int top, int base)
{
    platform::uiCreateText(base, 12, top - 20, 40, 18, title, platform::UiFrame::plain, platform::UiAlign::left);
    for (std::size_t k = 0; k < columns; ++k)
        platform::uiCreateText(base + 1 + static_cast<int>(k), table[k].x, top - 20, table[k].width, 18,
                               table[k].heading, platform::UiFrame::plain, platform::UiAlign::left);
    for (int i = 0; i < 4; ++i) {
        const int y = top + i * tableStep;
        const int row = base + 10 * (i + 1);
        const std::string number = std::to_string(i + 1);
        platform::uiCreateText(row, 12, y + 2, 40, 18, "Nr. " + number, platform::UiFrame::plain,
                               platform::UiAlign::left);
        for (std::size_t k = 0; k < columns; ++k)
            addEdit(form, file, state, row + 1 + static_cast<int>(k), table[k].x, y, table[k].width,
                    std::string(kind) + "." + number + "." + table[k].key,
                    std::string(table[k].name) + " von " + title + "-Eingang " + number, table[k].value, false);
    }
}

// The number that the whole text reads as, if it reads as one of the kind.
template <typename Number>
std::optional<Number> numberIn(const std::string& text)
{
    Number number{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    return number;
}

// The field's text as a TOML value.
std::string valueOf(const Field& field, const std::string& text)
{
    if (field.value == Value::whole && numberIn<long long>(text)) return text;
    const std::optional<double> number = field.value == Value::number ? numberIn<double>(text) : std::nullopt;
    if (!number) return tomlText(text);
    // Written as the shortest text that reads back as the same double, which is valid TOML.
    std::array<char, 32> digits{};
    return std::string(digits.data(), std::to_chars(digits.data(), digits.data() + digits.size(), *number).ptr);
}

std::vector<GivenSetting> givenSettings(SettingsForm& form)
{
    std::vector<GivenSetting> given;
    for (Field& field : form.fields) {
        const std::string text = platform::uiGetText(field.control);
        if (field.key == "log.interval" && (platform::uiGetCheck(askCheck) || !form.intervalGiven)) continue;
        if (!field.given || (field.emptyIsUnset && text.empty())) continue;
        given.push_back({field.key, !field.path.empty() && text == field.loaded ? tomlUtf8Text(field.path)
                                                                                 : valueOf(field, text)});
    }
    if (form.scheduleGiven)
        given.push_back({"log.schedule", tomlText(platform::uiGetChoice(scheduleChoice) == 1 ? "aligned" : "drift")});
    return given;
}

// What a raw reading of 512 shows with the row's settings as they stand.
void showPreview(SettingsForm& form, int row)
{
    const std::string prefix = "analog." + std::to_string(row + 1) + ".";
    LoggerState defaults;
    resetLoggerState(defaults);
    AnalogInput input = defaults.settings.analog[static_cast<std::size_t>(row)];
    bool readable = true;
    input.quantity = false;
    for (const char* key : {"unit", "scale", "offset", "decimals"}) {
        Field* field = fieldOf(form, prefix + key);
        const std::string text = platform::uiGetText(field->control);
        input.quantity = input.quantity || field->given;
        const std::string_view name = key;
        if (name == "unit") {
            input.unit = text;
        } else if (name == "decimals") {
            const std::optional<int> decimals = numberIn<int>(text);
            readable = readable && decimals && *decimals >= 0 && *decimals <= decimalsLimit;
            input.decimals = decimals.value_or(0);
        } else {
            const std::optional<double> number = numberIn<double>(text);
            readable = readable && number;
            (name == "scale" ? input.scale : input.offset) = number.value_or(0);
        }
    }
    const std::string value = !readable            ? "?"
                              : input.quantity     ? quantityText(previewReading, input)
                                                   : voltageText(previewReading, input.scale, defaults.analogRoundFactor,
                                                                 defaults.analogTextWidth);
    platform::uiSetText(analogBase + 10 * (row + 1) + previewColumn, "= " + value + " " + input.unit);
}

// A class that nobody chose follows the unit: voltage for volts, none for anything else.
void showDefaultClass(SettingsForm& form, int row)
{
    const std::string prefix = "analog." + std::to_string(row + 1) + ".";
    Field* deviceClass = fieldOf(form, prefix + "ha_device_class");
    if (deviceClass->given) return;
    AnalogInput input;
    input.quantity = true;
    input.unit = platform::uiGetText(fieldOf(form, prefix + "unit")->control);
    deviceClass->loaded = sensorClassProblem("voltage", haUnitOf(input), false).empty() ? "voltage" : "";
    platform::uiSetText(deviceClass->control, deviceClass->loaded);
}

std::string connectionFailure(platform::NetFailure failure, const std::string& port)
{
    switch (failure) {
    case platform::NetFailure::unresolved: return "Keine Verbindung: die Adresse ist unbekannt.";
    case platform::NetFailure::refused: return "Keine Verbindung: an Port " + port + " antwortet nichts (abgelehnt).";
    case platform::NetFailure::timedOut:
        return "Keine Verbindung: keine Antwort in " + std::to_string(connectionTestMs / 1000) + " Sekunden.";
    default: return "Keine Verbindung: das Netzwerk meldet einen Fehler.";
    }
}

void testConnection(SettingsForm& form)
{
    const std::string host = platform::uiGetText(hostEdit);
    const std::string portText = platform::uiGetText(portEdit);
    int port = 0;
    const auto [stop, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    std::string result;
    bool connected = false;
    if (error != std::errc{} || stop != portText.data() + portText.size() || port < 1 || port > 65535) {
        result = "Der Port muss eine Zahl von 1 bis 65535 sein.";
    } else {
        if (!form.networkStarted) form.networkStarted = startNetwork();
        platform::uiSetText(testResult, "Verbindung wird gepr\xFC" "ft ...");
        platform::uiDrawNow();
        platform::NetFailure failure = platform::NetFailure::none;
        platform::NetSocket* connection = platform::netConnect(host, port, connectionTestMs, &failure);
        if (connection == nullptr) {
            result = connectionFailure(failure, portText);
        } else {
            std::array<char, 200> reply{};
            std::string version = query(connection, "Version \\r\\n", reply);
            closeConnection(connection);
            while (!version.empty() && static_cast<unsigned char>(version.back()) <= ' ') version.pop_back();
            connected = true;
            result = version.empty() ? "Verbunden, aber das Board nennt keine Version." : "Verbunden: " + version;
        }
    }
    platform::uiSetTextColour(testResult, connected ? blue : red);
    platform::uiSetText(testResult, result);
}

void clearMessages()
{
    for (const Section& section : sections) platform::uiSetText(section.message, "");
    platform::uiSetText(saveResult, "");
}

// True when the file was written; else the window says why beside the field.
bool save(SettingsForm& form)
{
    clearMessages();
    const std::string text = settingsFileText(givenSettings(form));
    LoggerOptions checked;
    SettingsProblem problem;
    std::string wrong;
    std::string key;
    if (!readSettingsText(text, form.path, checked, problem)) {
        key = problem.key;
        wrong = problem.german;
    } else if (form.mqtt) {
        // The MQTT settings as the start would take them: the files they name exist and fit.
        wrong = checkPublishOptions(checked);
        key = "mqtt.url";
    }
    if (!wrong.empty()) {
        const Field* field = fieldOf(form, key);
        const Section* section = std::ranges::find_if(sections, [&](const Section& part) {
            return key.starts_with(part.prefix);
        });
        // A problem that names no part of the window stands beside the buttons.
        const int message = section != std::end(sections) ? section->message : saveResult;
        platform::uiSetTextColour(message, red);
        platform::uiSetText(message, (field ? field->name + ": " : std::string()) + wrong);
        if (field) platform::uiSetFocus(field->control);
        return false;
    }
    if (!platform::fileReplace(form.path, text)) {
        platform::uiSetTextColour(saveResult, red);
        platform::uiSetText(saveResult, "Die Einstellungen k\xF6nnen nicht gespeichert werden: " +
                                            platform::filePathText(form.path));
        return false;
    }
    return true;
}

}  // namespace

SettingsOutcome runSettingsWindow(const std::string& path, SettingsPurpose purpose)
{
    SettingsForm form;
    form.path = path;
    form.mqtt = publishingBuilt();
    LoggerOptions file;
    SettingsProblem problem;
    const bool readable = !platform::fileExists(path) || readSettingsFile(path, file, problem);
    LoggerState state;
    resetLoggerState(state);
    applySettings(state, file);

    const int buttonsY = form.mqtt ? 520 : 444;
    if (!platform::uiOpenDialogWindow("Einstellungen - Datenlogger f\xFCr AVR-NET-IO-Board", clientWidth, buttonsY + 38))
        return SettingsOutcome::noWindow;
    addSingles(form, file, state, std::begin(boardAndLogFields), std::begin(boardAndLogFields) + 3);
    addSingles(form, file, state, std::begin(boardAndLogFields) + 3, std::end(boardAndLogFields));
    form.intervalGiven = file.interval.has_value();
    platform::uiCreateCheck(askCheck, 222, 90, 170, rowHeight, "bei jedem Start &fragen", !form.intervalGiven);
    platform::uiSetEnabled(intervalLabel, form.intervalGiven);
    platform::uiSetEnabled(intervalEdit, form.intervalGiven);
    platform::uiCreateLabel(117, 402, 92, 70, rowHeight - 2, "&Zeitplan:");
    form.scheduleGiven = file.schedule.has_value();
    form.scheduleLoaded = file.schedule == "aligned" ? 1 : 0;
    platform::uiCreateChoice(scheduleChoice, 472, 90, 276, rowHeight,
                             {"gleitend: ein Intervall nach jeder Zeile (drift)",
                              "ausgerichtet: auf ganze Vielfache (aligned)"},
                             form.scheduleLoaded);
    addTable(form, file, state, "analog", "Analog", analogColumns, analogTop, analogBase);
    platform::uiCreateText(analogBase + previewColumn, 630, analogTop - 20, 118, 18,
                           "bei " + std::to_string(previewReading), platform::UiFrame::plain, platform::UiAlign::left);
    for (int i = 0; i < 4; ++i)
        platform::uiCreateText(analogBase + 10 * (i + 1) + previewColumn, 630, analogTop + i * tableStep + 2, 118, 18,
                               "", platform::UiFrame::plain, platform::UiAlign::left);
    addTable(form, file, state, "digital", "Digital", digitalColumns, digitalTop, digitalBase);
    if (form.mqtt) addSingles(form, file, state, std::begin(mqttFields), std::end(mqttFields));
    for (const Section& section : sections)
        if (form.mqtt || std::string_view(section.prefix) != "mqtt")
            platform::uiCreateText(section.message, 132, section.y, 616, 18, "", platform::UiFrame::plain,
                                   platform::UiAlign::left);
    platform::uiCreateButton(guideButton, 12, buttonsY, 110, 26, "Anl&eitung");
    platform::uiCreateText(saveResult, 132, buttonsY + 4, 330, 18, "", platform::UiFrame::plain, platform::UiAlign::left);
    platform::uiCreateButton(saveButton, 472, buttonsY, 160, 26,
                             purpose == SettingsPurpose::firstStart ? "&Speichern und starten" : "&Speichern");
    platform::uiCreateButton(cancelButton, 638, buttonsY, 110, 26, "A&bbrechen");
    platform::uiSetDefaultButton(saveButton);
    for (int i = 0; i < 4; ++i) showPreview(form, i);
    if (!readable) {
        platform::uiSetTextColour(saveResult, red);
        platform::uiSetText(saveResult, "Die Datei hat einen Fehler, Speichern ersetzt sie: " + problem.german);
    }
    platform::uiSetFocus(hostEdit);
    platform::uiDrawNow();

    SettingsOutcome outcome = SettingsOutcome::cancelled;
    for (bool open = true; open;) {
        const platform::UiEvent event = platform::uiTakeEvent(60000);
        if (event.code == platform::uiEventClose) break;
        if (event.code == platform::uiEventChanged) {
            if (event.control == scheduleChoice) form.scheduleGiven = true;
            if (Field* field = fieldOf(form, event.control)) {
                field->given = field->given || platform::uiGetText(field->control) != field->loaded;
                if (field->control == intervalEdit) form.intervalGiven = true;
                if (field->key.starts_with("analog.")) showPreview(form, field->key[7] - '1');
                if (field->key.ends_with(".unit")) showDefaultClass(form, field->key[7] - '1');
            }
            continue;
        }
        if (event.code != platform::uiEventControl) continue;
        switch (event.control) {
        case askCheck:
            platform::uiSetEnabled(intervalLabel, !platform::uiGetCheck(askCheck));
            platform::uiSetEnabled(intervalEdit, !platform::uiGetCheck(askCheck));
            form.intervalGiven = !platform::uiGetCheck(askCheck);
            fieldOf(form, intervalEdit)->given = form.intervalGiven;
            break;
        case testButton: testConnection(form); break;
        case browseButton:
            if (const std::string chosen = platform::uiAskSavePath("Logdatei w\xE4hlen", platform::uiGetText(logFileEdit));
                !chosen.empty()) {
                platform::uiSetText(logFileEdit, chosen);
                fieldOf(form, logFileEdit)->given = true;
            }
            break;
        case guideButton:
            if (const std::string guide = platform::fileGuidePath(); !guide.empty()) platform::shellOpenDocument(guide);
            break;
        case saveButton:
            if (save(form)) {
                outcome = SettingsOutcome::saved;
                open = false;
            }
            break;
        case cancelButton: open = false; break;
        default: break;
        }
    }
    platform::uiCloseWindows();
    if (form.networkStarted) stopNetwork();
    return outcome;
}
