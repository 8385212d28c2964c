// Builds the main window from its control table and refreshes its changing controls.
#include "display/MainWindow.h"

#include <cstddef>
#include <cstdint>

#include "driver/LoggerState.h"
#include "logging/DateText.h"
#include "logging/LogFormat.h"
#include "logging/LogInterval.h"
#include "platform/files.h"
#include "platform/window.h"

namespace {

using platform::UiAlign;
using platform::UiFrame;

constexpr int clientWidth = 440;
constexpr int clientHeight = 600;
constexpr int pictureX = 20;
constexpr int pictureY = 430;

// The controls of input i (0 to 3): value, state and unit.
constexpr int analogControl(std::size_t i) { return 34 + static_cast<int>(i); }
constexpr int digitalControl(std::size_t i) { return 38 + static_cast<int>(i); }
constexpr int unitControl(std::size_t i) { return 42 + static_cast<int>(i); }

// What a control shows when it is created.
enum class Content {
    analogLabel, digitalLabel, heading, boardInfo, readingDate, readingTime, analogText, ending,
    endButton, digitalText, analogUnit, intervalDescription, fileLocation, lastLog, nextLog,
};

enum class Colouring { none, open, stateRule };

struct ControlRow {
    int number;
    int x, y, width, height;
    UiFrame frame;
    UiAlign align;
    Colouring colour;
    Content content;
    int input;            // 1 to 4 for per-input contents
    const char* text;     // headings only
};

constexpr UiFrame sunken = UiFrame::sunken;
constexpr UiFrame plain = UiFrame::plain;
constexpr UiAlign left = UiAlign::left;
constexpr UiAlign centre = UiAlign::centre;

// In creation order; the interval figures are described between controls 41 and 42.
constexpr ControlRow controls[] = {
    {1, 20, 30, 130, 20, sunken, left, Colouring::none, Content::analogLabel, 1, nullptr},
    {2, 20, 60, 130, 20, sunken, left, Colouring::none, Content::analogLabel, 2, nullptr},
    {3, 20, 90, 130, 20, sunken, left, Colouring::none, Content::analogLabel, 3, nullptr},
    {4, 20, 120, 130, 20, sunken, left, Colouring::none, Content::analogLabel, 4, nullptr},
    {5, 20, 180, 130, 20, sunken, left, Colouring::none, Content::digitalLabel, 1, nullptr},
    {6, 20, 210, 130, 20, sunken, left, Colouring::none, Content::digitalLabel, 2, nullptr},
    {7, 20, 240, 130, 20, sunken, left, Colouring::none, Content::digitalLabel, 3, nullptr},
    {8, 20, 270, 130, 20, sunken, left, Colouring::none, Content::digitalLabel, 4, nullptr},
    {9, 20, 10, 130, 20, plain, centre, Colouring::none, Content::heading, 0, "Eingang"},
    {10, 160, 10, 110, 20, plain, centre, Colouring::none, Content::heading, 0, "Datum    Uhrzeit"},
    {11, 280, 10, 60, 20, plain, centre, Colouring::none, Content::heading, 0, "Wert"},
    {12, 350, 10, 70, 20, plain, centre, Colouring::none, Content::heading, 0, "Einheit"},
    {13, 20, 160, 130, 20, plain, centre, Colouring::none, Content::heading, 0, "Eingang"},
    {14, 160, 160, 110, 20, plain, centre, Colouring::none, Content::heading, 0, "Datum    Uhrzeit"},
    {15, 280, 160, 140, 20, plain, centre, Colouring::none, Content::heading, 0, "Status"},
    {16, 290, 430, 130, 160, sunken, left, Colouring::open, Content::boardInfo, 0, nullptr},
    {18, 160, 30, 60, 20, sunken, centre, Colouring::none, Content::readingDate, 0, nullptr},
    {19, 160, 60, 60, 20, sunken, centre, Colouring::none, Content::readingDate, 0, nullptr},
    {20, 160, 90, 60, 20, sunken, centre, Colouring::none, Content::readingDate, 0, nullptr},
    {21, 160, 120, 60, 20, sunken, centre, Colouring::none, Content::readingDate, 0, nullptr},
    {22, 160, 180, 60, 20, sunken, centre, Colouring::none, Content::readingDate, 0, nullptr},
    {23, 160, 210, 60, 20, sunken, centre, Colouring::none, Content::readingDate, 0, nullptr},
    {24, 160, 240, 60, 20, sunken, centre, Colouring::none, Content::readingDate, 0, nullptr},
    {25, 160, 270, 60, 20, sunken, centre, Colouring::none, Content::readingDate, 0, nullptr},
    {26, 220, 30, 50, 20, sunken, centre, Colouring::none, Content::readingTime, 0, nullptr},
    {27, 220, 60, 50, 20, sunken, centre, Colouring::none, Content::readingTime, 0, nullptr},
    {28, 220, 90, 50, 20, sunken, centre, Colouring::none, Content::readingTime, 0, nullptr},
    {29, 220, 120, 50, 20, sunken, centre, Colouring::none, Content::readingTime, 0, nullptr},
    {30, 220, 180, 50, 20, sunken, centre, Colouring::none, Content::readingTime, 0, nullptr},
    {31, 220, 210, 50, 20, sunken, centre, Colouring::none, Content::readingTime, 0, nullptr},
    {32, 220, 240, 50, 20, sunken, centre, Colouring::none, Content::readingTime, 0, nullptr},
    {33, 220, 270, 50, 20, sunken, centre, Colouring::none, Content::readingTime, 0, nullptr},
    {34, 280, 30, 60, 20, sunken, centre, Colouring::open, Content::analogText, 1, nullptr},
    {35, 280, 60, 60, 20, sunken, centre, Colouring::open, Content::analogText, 2, nullptr},
    {36, 280, 90, 60, 20, sunken, centre, Colouring::open, Content::analogText, 3, nullptr},
    {37, 280, 120, 60, 20, sunken, centre, Colouring::open, Content::analogText, 4, nullptr},
    {17, 170, 540, 90, 20, sunken, centre, Colouring::none, Content::ending, 0, "Programmende:"},
    {50, 180, 570, 70, 20, plain, centre, Colouring::none, Content::endButton, 0, "QUIT"},
    {38, 280, 180, 140, 20, sunken, centre, Colouring::stateRule, Content::digitalText, 1, nullptr},
    {39, 280, 210, 140, 20, sunken, centre, Colouring::stateRule, Content::digitalText, 2, nullptr},
    {40, 280, 240, 140, 20, sunken, centre, Colouring::stateRule, Content::digitalText, 3, nullptr},
    {41, 280, 270, 140, 20, sunken, centre, Colouring::stateRule, Content::digitalText, 4, nullptr},
    {42, 350, 30, 70, 20, sunken, centre, Colouring::none, Content::analogUnit, 1, nullptr},
    {43, 350, 60, 70, 20, sunken, centre, Colouring::none, Content::analogUnit, 2, nullptr},
    {44, 350, 90, 70, 20, sunken, centre, Colouring::none, Content::analogUnit, 3, nullptr},
    {45, 350, 120, 70, 20, sunken, centre, Colouring::none, Content::analogUnit, 4, nullptr},
    {49, 20, 350, 400, 30, plain, centre, Colouring::none, Content::intervalDescription, 0, nullptr},
    {48, 20, 390, 400, 20, plain, centre, Colouring::none, Content::fileLocation, 0, nullptr},
    {46, 20, 320, 200, 20, plain, centre, Colouring::none, Content::lastLog, 0, nullptr},
    {47, 220, 320, 200, 20, plain, centre, Colouring::none, Content::nextLog, 0, nullptr},
};

// Red for the input's own closed text, whatever else it shows blue; decided on the text shown.
std::uint32_t stateColour(const LoggerState& state, std::size_t input, const std::string& text)
{
    return text == state.settings.digital[input].closedText ? state.closedColour : state.openColour;
}

std::string initialText(const LoggerState& state, const ControlRow& row)
{
    const auto i = static_cast<std::size_t>(row.input - 1);
    switch (row.content) {
    case Content::analogLabel: return state.settings.analog[i].label;
    case Content::digitalLabel: return state.settings.digital[i].label;
    case Content::heading:
    case Content::ending:
    case Content::endButton: return row.text;
    case Content::boardInfo: return boardInfoText(state);
    case Content::readingDate: return readingDate(state);
    case Content::readingTime: return readingTime(state);
    case Content::analogText: return analogText(state, i);
    case Content::digitalText: return digitalText(state, i);
    case Content::analogUnit: return state.settings.analog[i].unit;
    case Content::intervalDescription: return intervalDescription(state);
    case Content::fileLocation: return fileLocationText(state);
    case Content::lastLog: return lastLogLine(state, false);
    case Content::nextLog: return nextLogLine(state);
    }
    return {};
}

void createControl(const LoggerState& state, const ControlRow& row)
{
    const std::string text = initialText(state, row);
    if (row.content == Content::endButton) {
        platform::uiCreateButton(row.number, row.x, row.y, row.width, row.height, text);
        return;
    }
    platform::uiCreateText(row.number, row.x, row.y, row.width, row.height, text, row.frame,
                           row.align);
    if (row.content == Content::heading) platform::uiSetSystemFont(row.number);
    if (row.colour == Colouring::open) platform::uiSetTextColour(row.number, state.openColour);
    if (row.colour == Colouring::stateRule)
        platform::uiSetTextColour(row.number, stateColour(state, static_cast<std::size_t>(row.input - 1), text));
}

}  // namespace

std::string analogText(const LoggerState& state, std::size_t input)
{
    const AnalogInput& settings = state.settings.analog[input];
    const std::optional<int>& raw = state.reading.analogRaw[input];
    if (!state.reading.taken || (settings.quantity && !raw)) return std::string(noAnalogText);
    return analogField(state, input);
}

std::string digitalText(const LoggerState& state, std::size_t input)
{
    const std::optional<bool>& closed = state.reading.digitalClosed[input];
    if (!closed) return "---";
    const DigitalInput& settings = state.settings.digital[input];
    return *closed ? settings.closedText : settings.openText;
}

std::string readingDate(const LoggerState& state) { return dateText(secondOf(state.reading.momentMs)); }

std::string readingTime(const LoggerState& state) { return timeText(secondOf(state.reading.momentMs)); }

std::string boardInfoText(const LoggerState& state)
{
    return "Daten aus dem Board:\r\r\r" + state.boardVersion + "\r\rIP: " + state.boardIp +
           "Subnetz: " + state.boardMask + "Gateway: " + state.boardGateway;
}

std::string intervalDescription(const LoggerState& state)
{
    return "Die Datenaufzeichnung erfolgt alle\r" + state.intervalSecondsText +
           " Sekunde(n)  =  " + state.intervalMinutesText + " Minute(n)  =  " +
           state.intervalHoursText + " Stunde(n)  =  " + state.intervalDaysText + " Tag(e)";
}

std::string fileLocationText(const LoggerState& state)
{
    return "Die Logbuch-Datei wird unter: " + platform::filePathText(state.settings.logFilePath) +
           " erzeugt/erweitert!";
}

std::string lastLogLine(const LoggerState& state, bool refreshed)
{
    // The label loses one of its two blanks from the first refresh on.
    return (refreshed ? "Letzter Log: " : "Letzter  Log: ") + state.lastLogDate + " / " +
           state.lastLogTime;
}

std::string nextLogLine(const LoggerState& state)
{
    return "N\xE4" "chster Log: " + state.nextLogDate + " / " + state.nextLogTime;
}

void createMainWindow(LoggerState& state, platform::UiPicture* picture)
{
    if (!platform::uiOpenMainWindow(std::string(mainWindowTitle), clientWidth, clientHeight))
        return;
    for (const ControlRow& row : controls) {
        if (row.number == 42) describeInterval(state);
        createControl(state, row);
    }
    if (isGiven(state.settings, &Settings::mqttUrl))
        platform::uiCreateText(mqttStatusControl, 150, 430, 130, 100, "", platform::UiFrame::plain,
                               platform::UiAlign::centre);
    if (picture != nullptr) platform::uiDrawPicture(picture, pictureX, pictureY);
    platform::uiDrawNow();
}

void refreshDisplay(const LoggerState& state)
{
    const std::string date = readingDate(state);
    const std::string time = readingTime(state);
    for (int control = 18; control <= 25; ++control) platform::uiSetText(control, date);
    for (int control = 26; control <= 33; ++control) platform::uiSetText(control, time);
    for (std::size_t i = 0; i < 4; ++i) platform::uiSetText(analogControl(i), analogText(state, i));
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string text = digitalText(state, i);
        platform::uiSetTextColour(digitalControl(i), stateColour(state, i, text));
        platform::uiSetText(digitalControl(i), text);
    }
    for (std::size_t i = 0; i < 4; ++i) platform::uiSetText(unitControl(i), state.settings.analog[i].unit);
    platform::uiSetTextColour(46, state.openColour);
    platform::uiSetText(46, lastLogLine(state, true));
    refreshNextLog(state);
}

void refreshAlarms(LoggerState& state)
{
    if (!anyAlarmWatched(state.settings)) return;
    for (std::size_t i = 0; i < 4; ++i) {
        if (alarmWatched(state.settings, i))
            platform::uiSetTextColour(analogControl(i), state.alarms.watch[i].on ? orange : state.openColour);
        // The state's own colour is the refresh's, which came before.
        if (state.alarms.watch[firstDigitalAlarm + i].on) platform::uiSetTextColour(digitalControl(i), orange);
    }
    const bool alarm = anyAlarmOn(state.alarms);
    if (alarm == state.alarms.titleShown) return;
    state.alarms.titleShown = alarm;
    platform::uiSetTitle(alarm ? "ALARM - " + std::string(mainWindowTitle) : std::string(mainWindowTitle));
}

void refreshNextLog(const LoggerState& state)
{
    platform::uiSetTextColour(47, state.closedColour);
    platform::uiSetText(47, nextLogLine(state));
}
