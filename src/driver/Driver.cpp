// One linear flow: start up, then cycle and wait until a close request, then shut down and end.
#include "driver/Driver.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>

#include "assets/Assets.h"
#include "board/BoardLink.h"
#include "board/Decoding.h"
#include "display/MainWindow.h"
#include "driver/LoggerState.h"
#include "logging/CsvLog.h"
#include "logging/DateText.h"
#include "logging/LogInterval.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "publish/Publishing.h"

namespace {

// What start-up acquired beside the state record; the end path releases it.
struct LoggerRun {
    bool offerSettings = false;
    bool settingsWanted = false;
    LoggerState state;
    CsvLog log;
    Publisher publisher;
    platform::UiPicture* picture = nullptr;
    bool soundStarted = false;
};

void showProblem(const std::string& text) { platform::uiMessage("Problem", text); }

void click(const LoggerState& state)
{
    if (state.soundReady != 1) return;
    platform::soundPlayClick();
    platform::clockSleepMs(100);
}

// False after a failure message: the end path follows.
bool startUp(LoggerRun& run, const Settings& settings, const std::string& mqttPassword)
{
    LoggerState& state = run.state;
    resetLoggerState(state);
    platform::uiStart();
    state.settings = settings;

    state.reading.momentMs = wallClockMs();

    run.picture = platform::uiLoadPicture(boardBitmap, boardBitmapSize);
    run.soundStarted = platform::soundStart();
    if (run.soundStarted) {
        state.soundReady = 1;
        platform::soundLoadClick(clickWave, clickWaveSize);
    }

    if (!startNetwork()) {
        showProblem("Das Netzwerk kann nicht initialisiert werden!");
        return false;
    }
    state.connection = openConnection(settings.boardHost, settings.boardPort);
    if (state.connection == nullptr) {
        showProblem("Das AVR-NET-IO-Board kann nicht gefunden werden!");
        // The box above says nothing of where the logger looked; this one does, and offers the way.
        if (run.offerSettings)
            run.settingsWanted = platform::uiAskYesNo(
                "Einstellungen \xF6" "ffnen?",
                "Unter " + settings.boardHost + ", Port " + std::to_string(settings.boardPort) +
                    " antwortet kein AVR-NET-IO-Board. M\xF6" "chten Sie die Einstellungen "
                    "\xF6" "ffnen, um Adresse und Port zu \xE4ndern?");
        return false;
    }
    if (!askInterval(state, settings)) {
        showProblem("Es wurde kein g\xFCltiger Zeitintervall eingegeben!");
        return false;
    }
    if (!openLog(run.log, state)) {
        showProblem("Die Ausgabedatei '" + platform::filePathText(settings.logFilePath) +
                    "' kann nicht erzeugt werden!");
        return false;
    }
    readBoardInfo(state);
    if (isGiven(settings, &Settings::mqttUrl)) startPublishing(run.publisher, state, mqttPassword);
    createMainWindow(state, run.picture);
    return true;
}

void runCycle(LoggerRun& run)
{
    reconnectIfBroken(run.state);
    readInputs(run.state);
    appendLogRow(run.log, run.state);
    publishRow(run.publisher, run.state);
    click(run.state);
    refreshDisplay(run.state);
}

// When the next cycle starts: a tick, and on the aligned schedule the slot of the wall clock that
// the tick stands for.
struct CycleStart {
    std::int64_t tick;
    std::optional<std::int64_t> slotMs;
};

// The next slot of the aligned schedule after the wall clock's reading wallNow, taken at tick
// tickNow. A cycle that ran past its slot waits for the one after, and the window then announces
// that one.
CycleStart nextSlotStart(LoggerState& state, std::int64_t tickNow, std::int64_t wallNow)
{
    const std::int64_t slot = nextSlotMs(state.intervalMs, wallNow);
    const DateValue next = secondOf(slot);
    if (dateText(next) != state.nextLogDate || timeText(next) != state.nextLogTime) {
        state.nextLogDate = dateText(next);
        state.nextLogTime = timeText(next);
        refreshNextLog(state);
    }
    return {tickNow + (slot - wallNow), slot};
}

// An interval after the wait's start, or at the next slot of the aligned schedule.
CycleStart cycleDeadline(LoggerState& state, std::int64_t waitStart)
{
    if (state.settings.schedule == Schedule::drift)
        return {waitStart + static_cast<std::int64_t>(roundHalfEven(state.intervalMs)), std::nullopt};
    return nextSlotStart(state, waitStart, wallClockMs());
}

// True when a close request ends the wait, false when the interval is over.
bool waitInterval(LoggerState& state)
{
    CycleStart next = cycleDeadline(state, platform::clockTicksMs());
    for (;;) {
        const std::int64_t now = platform::clockTicksMs();
        // The two clocks turn their milliseconds apart and are read apart: the ticks can reach the
        // deadline while the wall clock is short of the slot, and the row would carry the second
        // before. The rest is waited out; a wall clock set back (summer time's end) aims at its
        // own next slot rather than waiting the hour.
        if (now >= next.tick && next.slotMs) {
            const std::int64_t wallNow = wallClockMs();
            if (wallNow < *next.slotMs) next = nextSlotStart(state, now, wallNow);
        }
        const bool intervalElapsed = now >= next.tick;
        // Sleeping in the toolkit until the deadline keeps the order of the checks: an event that
        // arrives meanwhile is taken by this pass, the clock is read again by the next.
        const std::int64_t remaining = intervalElapsed ? 0 : next.tick - now;
        platform::UiEvent event = platform::uiTakeEvent(static_cast<int>(std::min<std::int64_t>(remaining, INT_MAX)));
        int lastEvent = event.code;
        if (event.code == platform::uiEventControl && event.control == endButtonControl)
            lastEvent = platform::uiEventClose;
        if (lastEvent == platform::uiEventClose) return true;
        if (intervalElapsed) return false;
    }
}

void shutDown(LoggerRun& run)
{
    LoggerState& state = run.state;
    click(state);
    closeLog(run.log);
    closeConnection(state.connection);
    state.connection = nullptr;
    stopPublishing(run.publisher);
    const bool openAnswer = platform::uiAskYesNo(
        "Logdatei sofort \xF6" "ffnen?", "M\xF6" "chten Sie die Datei " +
        platform::filePathText(state.settings.logFilePath) + " mit verkn\xFCpfter Anwendung \xF6" "ffnen?");
    if (openAnswer) platform::shellOpenDocument(state.settings.logFilePath);
}

void endProgram(LoggerRun& run)
{
    if (run.soundStarted) platform::soundStop();
    stopNetwork();
    run.state.connection = nullptr;  // dropped with the socket service
    platform::uiFreePicture(run.picture);
    run.picture = nullptr;
    platform::uiCloseWindows();
    closeLog(run.log);
}

}  // namespace

LoggerEnd runLogger(const Settings& settings, const std::string& mqttPassword, bool offerSettings)
{
    LoggerRun run;
    run.offerSettings = offerSettings;
    const bool started = startUp(run, settings, mqttPassword);
    if (started) {
        // On the aligned schedule even the first row waits for its slot.
        bool closing = run.state.settings.schedule == Schedule::aligned && waitInterval(run.state);
        while (!closing) {
            runCycle(run);
            closing = waitInterval(run.state);
        }
        shutDown(run);
    }
    endProgram(run);
    return {started ? 0 : 1, run.settingsWanted};
}
