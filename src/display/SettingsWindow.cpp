// The settings window, built from the settings' table: each field holds one setting as the text
// the user sees; saving writes the given ones into the file and reads that text back with the
// file's own reader, whose message then stands beside the field it names.
#include "display/SettingsWindow.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/BoardLink.h"
#include "driver/TextCodec.h"
#include "driver/LoggerState.h"
#include "logging/LogFormat.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/sockets.h"
#include "platform/window.h"
#include "publish/Publishing.h"
#include "settings/SettingsFile.h"

namespace {

constexpr int clientWidth = 760;
constexpr int rowHeight = 22;
constexpr int lineStep = 28;
constexpr int gap = 10;        // between the fields of a line
constexpr int columnGap = 6;   // between the columns of the inputs' tables
constexpr int tableStep = 26;  // from one input's row to the next
constexpr int connectionTestMs = 3000;
constexpr int previewReading = 512;
constexpr int previewColumn = 7;

constexpr int guideButton = 241;
constexpr int saveButton = 242;
constexpr int cancelButton = 243;
constexpr int saveResult = 244;
constexpr int pageButton = 245;
// The alarms' columns of an input's table take the place of its others, numbered from here on.
constexpr int alarmTableOffset = 400;

// One setting in the window.
struct Field {
    int control;
    const SettingRow* row;
    std::size_t input;
    std::string name;    // in a message: "Port: ein Port von 1 bis 65535 ist nötig"
    std::string loaded;  // the text it opened with
    bool given = false;  // in the file, or changed since
    // A path as the file gave it, in UTF-8: the field shows it in Latin-1, which may have lost
    // characters, so a path left as it was is written back from this.
    std::string path;
};

struct SettingsForm {
    std::string path;
    SettingRows rows;
    Settings defaults;
    Settings file;  // as read, for what the window does not show
    std::vector<Field> fields;
    std::vector<int> messages;  // where each section's problems are said; 0 where not shown
    // The controls that come with a field.
    int testButton = 0;
    int testResult = 0;
    int browseButton = 0;
    int askCheck = 0;
    int previews = 0;  // their heading; input n's is 10 n on
    // Where the platform keeps the broker password (Windows), its field takes the password file's
    // place; what it holds goes to the platform's store, never into the file.
    int password = 0;
    bool passwordChanged = false;
    // The controls of each page; those of neither stay on both.
    std::array<std::vector<int>, 2> pages;
    int page = 0;
    // Beside each input's alarms, the text that names it, from its label's and unit's fields.
    struct AlarmLabel {
        int text;
        int label;
        int unit;  // 0: none
    };
    std::vector<AlarmLabel> alarmLabels;
};

// A command's words as one line to edit: each word apart from the next by a space, in quotes
// where it holds one. Latin-1 as the window's texts are.
std::string commandLine(const std::string& joined)
{
    if (joined.empty()) return "";
    std::string line;
    for (const std::string& word : listItems(joined)) {
        const std::string shown = latin1FromUtf8(word).value_or(word);
        if (!line.empty()) line += ' ';
        line += shown.find(' ') == std::string::npos && !shown.empty() ? shown : '"' + shown + '"';
    }
    return line;
}

// The words of such a line, joined as the settings keep a list; empty for a line of none.
std::string commandWords(const std::string& line)
{
    std::string joined;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    const auto endWord = [&] {
        if (inWord) joined += (joined.empty() ? "" : std::string(1, listSeparator)) + utf8FromLatin1(word);
        word.clear();
        inWord = false;
    };
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            endWord();
        } else {
            word += c;
            inWord = true;
        }
    }
    endWord();
    return joined;
}

void createPlainText(int control, int x, int y, int width, const std::string& text, int height = 18)
{
    platform::uiCreateText(control, x, y, width, height, text, platform::UiFrame::plain, platform::UiAlign::left);
}

// What went wrong, in red.
void showProblem(int control, const std::string& text)
{
    platform::uiSetTextColour(control, red);
    platform::uiSetText(control, text);
}

// Checked, the interval prompt asks at every start and the interval field is left out.
void askEveryStart(Field& interval, bool ask)
{
    platform::uiSetEnabled(interval.control - 1, !ask);
    platform::uiSetEnabled(interval.control, !ask);
    interval.given = !ask;
}

Field* fieldOf(SettingsForm& form, int control)
{
    const auto found = std::ranges::find(form.fields, control, &Field::control);
    return found == form.fields.end() ? nullptr : &*found;
}

Field* fieldOf(SettingsForm& form, SettingField setting, std::size_t input = 0)
{
    const auto found = std::ranges::find_if(form.fields, [&](const Field& field) {
        return field.row->field == setting && field.input == input;
    });
    return found == form.fields.end() ? nullptr : &*found;
}

// A field's control at x, y, with the file's value or the default.
void addField(SettingsForm& form, const Settings& file, const SettingRow& row, std::size_t input, int control, int x,
              int y, std::string name)
{
    Field field{control, &row, input, std::move(name), shownValue(file, row, input),
                file.given[givenBit(form.rows, row, input)], ""};
    if (row.optional && !field.given) field.loaded.clear();
    if (row.kind == SettingKind::list) field.loaded = commandLine(field.loaded);
    if (row.kind == SettingKind::path && field.given) field.path = platform::fileUtf8FromPath(storedText(file, row, input));
    if (row.kind == SettingKind::flag) {
        platform::uiCreateCheck(control, x, y, row.window.width, rowHeight, row.window.caption, field.loaded == "true");
    } else if (row.kind == SettingKind::choice) {
        std::vector<std::string> choices;
        for (const SettingChoice& choice : row.choices) choices.push_back(choice.german);
        const auto chosen = std::ranges::find(row.choices, field.loaded, &SettingChoice::value);
        platform::uiCreateChoice(control, x, y, row.window.width, rowHeight, choices,
                                 static_cast<int>(chosen - row.choices.begin()));
    } else {
        platform::uiCreateEdit(control, x, y, row.window.width, rowHeight, field.loaded);
    }
    form.fields.push_back(std::move(field));
}

// Where the section's problems are said.
void addMessage(SettingsForm& form, const SettingSection& section, int control)
{
    form.messages[static_cast<std::size_t>(&section - settingSections.data())] = control;
    createPlainText(control, 132, section.message, 616, "");
}

// The controls created from first on belong to page.
void keepOnPage(SettingsForm& form, int page, int first, int last)
{
    for (int control = first; control <= last; ++control) form.pages[static_cast<std::size_t>(page)].push_back(control);
}

// The labels beside the alarms, as the fields of the other page now hold them.
void showAlarmLabels(SettingsForm& form)
{
    for (const SettingsForm::AlarmLabel& shown : form.alarmLabels)
        platform::uiSetText(shown.text, platform::uiGetText(shown.label) +
                                            (shown.unit ? " [" + platform::uiGetText(shown.unit) + "]" : ""));
}

void showPage(SettingsForm& form, int page)
{
    form.page = page;
    if (page != 0) showAlarmLabels(form);
    for (std::size_t shown = 0; shown < form.pages.size(); ++shown)
        for (const int control : form.pages[shown]) platform::uiSetShown(control, static_cast<int>(shown) == page);
    platform::uiSetText(pageButton, page == 0 ? "Ala&rme" : "Ein&g\xE4nge");
}

// The settings of a section of no input, each its caption and field, line by line, with what
// comes with it; controls numbered one after the other from the section's base.
void addLines(SettingsForm& form, const Settings& file, const SettingSection& section)
{
    int control = section.base + 1;
    int page = 0;
    int x = 12;
    int y = section.top;
    for (const SettingRow& row : form.rows) {
        if (row.section != std::string_view(section.name)) continue;
        page = row.window.page;
        if (row.window.newLine) {
            x = 12;
            y += lineStep;
        }
        const bool password = row.field == SettingField(&Settings::mqttPasswordFile) && passwordStoreExists();
        // A check box is its own caption.
        if (row.kind != SettingKind::flag) {
            platform::uiCreateLabel(control++, x, y + 2, row.window.captionWidth, rowHeight - 2,
                                    password ? "Pass&wort:" : row.window.caption);
            x += row.window.captionWidth;
        }
        if (password) {
            form.password = control++;
            const std::optional<std::string> stored = latin1FromUtf8(storedPassword(file).value_or(""));
            platform::uiCreateEdit(form.password, x, y, row.window.width, rowHeight, stored.value_or(""), true);
            x += row.window.width + gap;
            continue;
        }
        addField(form, file, row, 0, control++, x, y, row.german);
        x += row.window.width + gap;
        switch (row.window.extra) {
        case WindowExtra::connectionTest:
            form.testButton = control++;
            platform::uiCreateButton(form.testButton, x, y - 1, 130, 24, "&Verbindung testen");
            form.testResult = control++;
            createPlainText(form.testResult, x + 130 + gap, y - 4, 212, "", 32);
            break;
        case WindowExtra::browse:
            form.browseButton = control++;
            platform::uiCreateButton(form.browseButton, x, y - 1, 132, 24, "&Durchsuchen...");
            break;
        case WindowExtra::askEveryStart:
            form.askCheck = control++;
            platform::uiCreateCheck(form.askCheck, x, y, 170, rowHeight, "bei jedem Start &fragen",
                                    !form.fields.back().given);
            askEveryStart(form.fields.back(), !form.fields.back().given);
            x += 170 + gap;
            break;
        case WindowExtra::none: break;
        }
    }
    addMessage(form, section, control);
    // Only a section that shares its place with one of the other page gives way to it.
    if (std::ranges::any_of(settingSections, [&](const SettingSection& other) {
            return &other != &section && other.top == section.top;
        }))
        keepOnPage(form, page, section.base + 1, control);
}

// The settings of a section's inputs on a page as a table: a column per setting, a row per input.
// Input n's (1 to 4) controls are base + 10 n + k, where column 0 is its number; the alarms'
// table numbers from base + alarmTableOffset. Gives the x after the last column.
int addTable(SettingsForm& form, const Settings& file, const SettingSection& section, int page)
{
    const int top = section.top;
    const int base = section.base + (page == 0 ? 0 : alarmTableOffset);
    const std::string title = section.title;
    createPlainText(base, 12, top - 20, 40, title);
    std::vector<std::pair<const SettingRow*, int>> columns;  // each with its x
    int x = 56;
    for (const SettingRow& row : form.rows) {
        if (row.section != std::string_view(section.name) || row.window.width == 0 || row.window.page != page) continue;
        columns.emplace_back(&row, x);
        createPlainText(base + static_cast<int>(columns.size()), x, top - 20, row.window.width, row.window.caption);
        x += row.window.width + columnGap;
    }
    // Row by row, so that Tab goes across an input's settings.
    for (std::size_t input = 0; input < 4; ++input) {
        const int y = top + static_cast<int>(input) * tableStep;
        const int first = base + 10 * static_cast<int>(input + 1);
        const std::string number = std::to_string(input + 1);
        createPlainText(first, 12, y + 2, 40, "Nr. " + number);
        for (std::size_t k = 0; k < columns.size(); ++k)
            addField(form, file, *columns[k].first, input, first + 1 + static_cast<int>(k), columns[k].second, y,
                     std::string(columns[k].first->german) + " von " + title + "-Eingang " + number);
    }
    // Beside an input's alarms, whose input it is: its label as the other page has it.
    if (page != 0)
        for (std::size_t input = 0; input < 4; ++input) {
            const int text = base + 10 * static_cast<int>(input + 1) + static_cast<int>(columns.size()) + 1;
            createPlainText(text, x, top + static_cast<int>(input) * tableStep + 2, clientWidth - 12 - x, "");
            const bool analog = section.name == std::string_view("analog");
            const Field* label = analog ? fieldOf(form, &AnalogInput::label, input) : fieldOf(form, &DigitalInput::label, input);
            const Field* unit = analog ? fieldOf(form, &AnalogInput::unit, input) : nullptr;
            if (label != nullptr) form.alarmLabels.push_back({text, label->control, unit ? unit->control : 0});
        }
    keepOnPage(form, page, base, base + 10 * 4 + static_cast<int>(columns.size()) + (page != 0 ? 1 : 0));
    if (page == 0) addMessage(form, section, section.base + 50);
    return x;
}

// Beside the analog table, what a reading of 512 shows with each row's settings.
void addPreviews(SettingsForm& form, const SettingSection& section, int x)
{
    form.previews = section.base + previewColumn;
    createPlainText(form.previews, x, section.top - 20, clientWidth - 12 - x, "bei " + std::to_string(previewReading));
    for (int input = 0; input < 4; ++input)
        createPlainText(form.previews + 10 * (input + 1), x, section.top + input * tableStep + 2, clientWidth - 12 - x, "");
    for (int row = 0; row <= 4; ++row) form.pages[0].push_back(form.previews + 10 * row);
}

// What a raw reading of 512 shows with an analog input's settings as they stand in its row.
void showPreview(SettingsForm& form, std::size_t input)
{
    Settings typed = form.defaults;
    bool readable = true;
    for (const Field& field : form.fields) {
        if (!field.row->quantity || field.input != input) continue;
        readable = setFromText(typed, *field.row, input, platform::uiGetText(field.control)) && readable;
        typed.given[givenBit(form.rows, *field.row, input)] = field.given;
    }
    settleInput(typed, input, form.rows);
    Reading reading;
    reading.taken = true;
    reading.analogRaw[input] = previewReading;
    const AnalogInput& analog = typed.analog[input];
    const std::string value =
        readable ? analogField(reading, input, analog, voltageRoundFactor, voltageTextWidth) : "?";
    platform::uiSetText(form.previews + 10 * static_cast<int>(input + 1), "= " + value + " " + analog.unit);
}

// A class that nobody chose follows the unit: voltage for volts, none for anything else.
void showDefaultClass(SettingsForm& form, std::size_t input)
{
    Field* deviceClass = fieldOf(form, &AnalogInput::haDeviceClass, input);
    if (deviceClass->given) return;
    AnalogInput typed;
    typed.quantity = true;
    typed.unit = platform::uiGetText(fieldOf(form, &AnalogInput::unit, input)->control);
    deviceClass->loaded = defaultSensorClass(typed, form.rows);
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

std::vector<GivenSetting> givenSettings(SettingsForm& form);

// The broker as the start would reach it, and whether another logger of the name is online there.
void testBroker(SettingsForm& form)
{
    const int message = form.messages[static_cast<std::size_t>(
        std::ranges::find(settingSections, std::string_view("mqtt"), &SettingSection::name) - settingSections.begin())];
    Settings checked = form.defaults;
    SettingsProblem problem;
    std::string password;
    std::string wrong;
    if (!readSettingsText(settingsFileText(givenSettings(form), form.rows), form.path, checked, problem, form.rows))
        wrong = problem.german;
    else
        wrong = checkPublishSettings(checked, password).german;
    if (!wrong.empty()) return showProblem(message, "MQTT: " + wrong);
    if (form.passwordChanged) password = utf8FromLatin1(platform::uiGetText(form.password));
    platform::uiSetTextColour(message, blue);
    platform::uiSetText(message, "MQTT: Broker wird gepr\xFC" "ft ...");
    platform::uiDrawNow();
    const BrokerCheck result = checkBroker(checked, password);
    platform::uiSetTextColour(message, result.good ? blue : red);
    platform::uiSetText(message, result.text.german);
}

void testConnection(SettingsForm& form)
{
    const Field& port = *fieldOf(form, &Settings::boardPort);
    const std::string host = platform::uiGetText(fieldOf(form, &Settings::boardHost)->control);
    const std::string portText = platform::uiGetText(port.control);
    const std::optional<int> number = portNumber(portText);
    std::string result;
    bool connected = false;
    if (!number) {
        result = wordsOf(*port.row, "Der Port muss eine Zahl von {low} bis {high} sein.");
    } else {
        startNetwork();
        platform::uiSetText(form.testResult, "Verbindung wird gepr\xFC" "ft ...");
        platform::uiDrawNow();
        platform::NetFailure failure = platform::NetFailure::none;
        platform::NetSocket* connection = platform::netConnect(host, *number, connectionTestMs, &failure);
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
    platform::uiSetTextColour(form.testResult, connected ? blue : red);
    platform::uiSetText(form.testResult, result);
    if (!platform::uiGetText(fieldOf(form, &Settings::mqttUrl)->control).empty()) testBroker(form);
}

std::vector<GivenSetting> givenSettings(SettingsForm& form)
{
    std::vector<GivenSetting> given;
    // Written back as the file gave them.
    for (const SettingRow& row : form.rows) {
        const auto section = std::ranges::find(settingSections, std::string_view(row.section), &SettingSection::name);
        const std::size_t inputs = section != settingSections.end() && section->title ? 4 : 1;
        for (std::size_t input = 0; input < inputs; ++input)
            if (fieldOf(form, row.field, input) == nullptr && form.file.given[givenBit(form.rows, row, input)])
                given.push_back({keyName(row, input), tomlValue(row, shownValue(form.file, row, input))});
    }
    for (const Field& field : form.fields) {
        const SettingRow& row = *field.row;
        if (row.kind == SettingKind::flag) {
            if (field.given) given.push_back({keyName(row, field.input), platform::uiGetCheck(field.control) ? "true" : "false"});
            continue;
        }
        if (row.kind == SettingKind::choice) {
            if (field.given)
                given.push_back({keyName(row, field.input),
                                 tomlText(row.choices[static_cast<std::size_t>(platform::uiGetChoice(field.control))].value)});
            continue;
        }
        const std::string text = platform::uiGetText(field.control);
        if (!field.given || (row.optional && text.empty())) continue;
        if (row.kind == SettingKind::list) {
            given.push_back({keyName(row, field.input), tomlValue(row, commandWords(text))});
            continue;
        }
        given.push_back({keyName(row, field.input), !field.path.empty() && text == field.loaded
                                                        ? tomlUtf8Text(field.path)
                                                        : tomlValue(row, text)});
    }
    return given;
}

// True when the file was written; else the window says why beside the field.
bool save(SettingsForm& form)
{
    for (const int message : form.messages)
        if (message) platform::uiSetText(message, "");
    platform::uiSetText(saveResult, "");
    const std::string text = settingsFileText(givenSettings(form), form.rows);
    Settings checked = form.defaults;
    SettingsProblem problem;
    std::string wrong;
    std::string key;
    std::string mqttPassword;
    if (!readSettingsText(text, form.path, checked, problem, form.rows)) {
        key = problem.key;
        wrong = problem.german;
    } else {
        // The MQTT settings as the start would take them: the files they name exist and fit.
        wrong = checkPublishSettings(checked, mqttPassword).german;
        key = "mqtt.url";
    }
    if (!wrong.empty()) {
        const auto field = std::ranges::find_if(form.fields, [&](const Field& candidate) {
            return keyName(*candidate.row, candidate.input) == key;
        });
        const auto section = std::ranges::find_if(settingSections, [&](const SettingSection& candidate) {
            return key.starts_with(candidate.name);
        });
        // A problem that names no part of the window stands beside the buttons.
        const std::size_t at = static_cast<std::size_t>(section - settingSections.begin());
        if (field != form.fields.end() && field->row->window.page != form.page) showPage(form, field->row->window.page);
        const int message = section != settingSections.end() && form.messages[at] ? form.messages[at] : saveResult;
        showProblem(message, (field != form.fields.end() ? field->name + ": " : std::string()) + wrong);
        if (field != form.fields.end()) platform::uiSetFocus(field->control);
        return false;
    }
    if (form.passwordChanged && !storePassword(checked, utf8FromLatin1(platform::uiGetText(form.password)))) {
        showProblem(saveResult, "Das Passwort kann nicht gespeichert werden.");
        return false;
    }
    if (!platform::fileReplace(form.path, text)) {
        showProblem(saveResult, "Die Einstellungen k\xF6nnen nicht gespeichert werden: " + platform::filePathText(form.path));
        return false;
    }
    return true;
}

}  // namespace

SettingsOutcome runSettingsWindow(const std::string& path, SettingsPurpose purpose, SettingRows rows)
{
    SettingsForm form;
    form.path = path;
    form.rows = rows;
    form.defaults = defaultSettings(rows);
    Settings& file = form.file;
    file = form.defaults;
    SettingsProblem problem;
    const bool readable =
        platform::fileKind(path) == platform::FileKind::missing || readSettingsFile(path, file, problem, rows);
    for (std::size_t input = 0; input < 4; ++input) settleInput(file, input, rows);

    constexpr int buttonsY = 564;
    if (!platform::uiOpenDialogWindow("Einstellungen - Datenlogger f\xFCr AVR-NET-IO-Board", clientWidth, buttonsY + 38))
        return SettingsOutcome::noWindow;
    form.messages.resize(settingSections.size());
    for (const SettingSection& section : settingSections) {
        const std::string_view name = section.name;
        if (section.title) {
            const int x = addTable(form, file, section, 0);
            if (name == "analog") addPreviews(form, section, x);
            addTable(form, file, section, 1);
        } else if (std::ranges::any_of(form.rows, [&](const SettingRow& row) {
                       return row.section == name && row.window.width > 0;
                   })) {
            addLines(form, file, section);
        }
    }
    platform::uiCreateButton(guideButton, 12, buttonsY, 110, 26, "Anl&eitung");
    platform::uiCreateButton(pageButton, 128, buttonsY, 110, 26, "Ala&rme");
    createPlainText(saveResult, 248, buttonsY + 4, 214, "");
    platform::uiCreateButton(saveButton, 472, buttonsY, 160, 26,
                             purpose == SettingsPurpose::firstStart ? "&Speichern und starten" : "&Speichern");
    platform::uiCreateButton(cancelButton, 638, buttonsY, 110, 26, "A&bbrechen");
    platform::uiSetDefaultButton(saveButton);
    for (std::size_t input = 0; input < 4; ++input) showPreview(form, input);
    showPage(form, 0);
    if (!readable) showProblem(saveResult, "Die Datei hat einen Fehler, Speichern ersetzt sie: " + problem.german);
    platform::uiSetFocus(form.fields.front().control);
    platform::uiDrawNow();

    SettingsOutcome outcome = SettingsOutcome::cancelled;
    for (bool open = true; open;) {
        const platform::UiEvent event = platform::uiTakeEvent(60000);
        if (event.code == platform::uiEventClose) break;
        if (event.code == platform::uiEventChanged) {
            form.passwordChanged = form.passwordChanged || (form.password && event.control == form.password);
            if (Field* field = fieldOf(form, event.control)) {
                field->given = field->given || field->row->kind == SettingKind::choice ||
                               platform::uiGetText(field->control) != field->loaded;
                if (field->row->section == std::string_view("analog")) showPreview(form, field->input);
                if (field->row->field == SettingField(&AnalogInput::unit)) showDefaultClass(form, field->input);
            }
            continue;
        }
        if (event.code != platform::uiEventControl) continue;
        if (Field* field = fieldOf(form, event.control); field && field->row->kind == SettingKind::flag) {
            field->given = field->given || platform::uiGetCheck(field->control) != (field->loaded == "true");
        } else if (event.control == form.askCheck) {
            askEveryStart(*fieldOf(form, &Settings::interval), platform::uiGetCheck(form.askCheck));
        } else if (event.control == form.testButton) {
            testConnection(form);
        } else if (event.control == form.browseButton) {
            Field& logFile = *fieldOf(form, &Settings::logFilePath);
            const std::string chosen = platform::uiAskSavePath("Logdatei w\xE4hlen", platform::uiGetText(logFile.control));
            if (!chosen.empty()) {
                platform::uiSetText(logFile.control, chosen);
                logFile.given = true;
            }
        } else if (event.control == pageButton) {
            showPage(form, 1 - form.page);
        } else if (event.control == guideButton) {
            if (const std::string guide = platform::fileGuidePath(); !guide.empty()) platform::shellOpenDocument(guide);
        } else if (event.control == saveButton) {
            open = !save(form);
            if (!open) outcome = SettingsOutcome::saved;
        } else if (event.control == cancelButton) {
            open = false;
        }
    }
    platform::uiCloseWindows();
    stopNetwork();
    return outcome;
}
