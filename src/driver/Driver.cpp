// One linear flow: start up, then cycle and wait until a close request, then shut down and end.
#include "driver/Driver.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "assets/Assets.h"
#include "board/BoardLink.h"
#include "board/Decoding.h"
#include "display/CourseWindow.h"
#include "display/MainWindow.h"
#include "driver/LoggerState.h"
#include "driver/Messages.h"
#include "driver/TextCodec.h"
#include "logging/CsvLog.h"
#include "logging/DateText.h"
#include "logging/LogFormat.h"
#include "logging/LogInterval.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/notify.h"
#include "platform/sound.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "publish/Publishing.h"

namespace {

// An alarm's command while it runs: at most one per alarm.
struct AlarmCommand {
    platform::ShellProcess* process = nullptr;
    std::int64_t startedTick = 0;
    bool killed = false;
};

// What start-up acquired beside the state record; the end path releases it.
struct LoggerRun {
    bool offerSettings = false;
    bool settingsWanted = false;
    LoggerState state;
    CsvLog log;
    CsvLog alarmLog;
    std::array<AlarmCommand, alarmCount> commands{};
    bool commandTroubleSaid = false;
    std::int64_t commandLimitMs = 60000;  // then a command that still runs is ended
    Publisher publisher;
    platform::UiPicture* picture = nullptr;
    bool soundStarted = false;
    bool alarmToneDue = false;  // an alarm started in this cycle: its tone instead of the click
    CourseWindow course;
};

// In a box in German, as the window is; where no box can be shown, on standard error in the
// language of the user's locale.
void showProblem(const Message& text)
{
    platform::uiMessage("Problem", text.in(platform::uiStart() ? Language::german : consoleLanguage()));
}

void click(const LoggerState& state, platform::Tone tone = platform::Tone::click)
{
    if (state.soundReady != 1) return;
    platform::soundPlay(tone);
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
        platform::soundLoad(platform::Tone::click, clickWave, clickWaveSize);
        if (anyAlarmWatched(settings) && settings.alarmSound)
            platform::soundLoad(platform::Tone::alarm, alarmWave, alarmWaveSize);
    }

    if (!startNetwork()) {
        showProblem(message(MessageId::networkFailed));
        return false;
    }
    state.connection = openConnection(settings.boardHost, settings.boardPort);
    if (state.connection == nullptr) {
        showProblem(message(MessageId::boardNotFound));
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
        showProblem(message(MessageId::intervalInvalid));
        return false;
    }
    if (const Message problem = alarmDelayProblem(settings, state.intervalMs); !problem.empty()) {
        showProblem(problem);
        return false;
    }
    if (!openLog(run.log, state)) {
        showProblem(message(MessageId::logFileFailed, {platform::filePathText(settings.logFilePath)}));
        return false;
    }
    if (anyAlarmWatched(settings) && !openAlarmLog(run.alarmLog, alarmLogPath(settings))) {
        showProblem(message(MessageId::alarmLogFailed, {platform::filePathText(alarmLogPath(settings))}));
        return false;
    }
    startAlarms(state.alarms, settings, state.reading.momentMs);
    // Tests set a short bound here rather than wait a minute.
    if (const char* limit = std::getenv("AVRNETIO_ALARM_COMMAND_LIMIT_MS"))
        run.commandLimitMs = numberIn<std::int64_t>(limit).value_or(run.commandLimitMs);
    readBoardInfo(state);
    if (isGiven(settings, &Settings::mqttUrl)) startPublishing(run.publisher, state, mqttPassword);
    createMainWindow(state, run.picture);
    openCourseWindow(run.course, state, run.log.file);
    return true;
}

// Flushed at once: Windows' C library buffers standard error where it goes to a file or a pipe.
void say(const Message& text)
{
    std::fputs(consoleText(text.in(consoleLanguage())).c_str(), stderr);
    std::fflush(stderr);
}

// Said once a run, whatever goes wrong with the commands after.
void sayCommandTrouble(LoggerRun& run, const Message& text)
{
    if (std::exchange(run.commandTroubleSaid, true)) return;
    say(text);
}

// The alarm's command, started and not waited for, its details in variables of its environment.
void startAlarmCommand(LoggerRun& run, const AlarmEvent& event)
{
    const Settings& settings = run.state.settings;
    if (settings.alarmCommand.empty()) return;
    AlarmCommand& command = run.commands[event.alarm];
    if (command.process != nullptr) {
        sayCommandTrouble(run, message(MessageId::alarmCommandBusy, {alarmInputName(settings, event.alarm)}));
        return;
    }
    const std::vector<std::string> words = listItems(settings.alarmCommand);
    const bool digital = event.alarm >= firstDigitalAlarm && event.alarm != boardAlarm;
    const std::size_t input = event.alarm % firstDigitalAlarm + 1;
    const std::string label = event.alarm == boardAlarm ? std::string(boardAlarmName)
                              : digital ? settings.digital[input - 1].label
                                        : settings.analog[input - 1].label;
    const std::string inputName =
        event.alarm == boardAlarm ? "board" : (digital ? "digital." : "analog.") + std::to_string(input);
    const DateValue moment = secondOf(run.state.reading.momentMs);
    const std::vector<std::pair<std::string, std::string>> variables = {
        {"AVRNETIO_ALARM_INPUT", inputName},
        {"AVRNETIO_ALARM_LABEL", utf8FromLatin1(label)},
        {"AVRNETIO_ALARM_EVENT", event.start ? "start" : "end"},
        {"AVRNETIO_ALARM_VALUE", event.value},
        {"AVRNETIO_ALARM_LIMIT", event.limit},
        {"AVRNETIO_ALARM_TIME", isoTime(moment, platform::clockLocalTime().utcOffsetMinutes)},
    };
    std::string error;
    command = {platform::shellStart(words, variables, error), platform::clockTicksMs(), false};
    if (command.process == nullptr)
        sayCommandTrouble(run, message(MessageId::alarmCommandNotStarted,
                                       {printableLatin1(words[0], 200), printableLatin1(error, 200)}));
}

// Collects the commands that ended, without waiting, and ends those that ran too long.
void tendAlarmCommands(LoggerRun& run)
{
    for (AlarmCommand& command : run.commands) {
        if (command.process == nullptr) continue;
        int exitCode = 0;
        if (platform::shellEnded(command.process, exitCode)) {
            command.process = nullptr;
            if (exitCode != 0 && !command.killed)
                sayCommandTrouble(run, message(MessageId::alarmCommandFailed, {std::to_string(exitCode)}));
        } else if (!command.killed && platform::clockTicksMs() - command.startedTick >= run.commandLimitMs) {
            platform::shellKill(command.process);
            command.killed = true;
            sayCommandTrouble(run, message(MessageId::alarmCommandKilled, {std::to_string(run.commandLimitMs / 1000)}));
        }
    }
}

// How long the wait may last before a running command is due to be ended.
std::int64_t untilCommandLimit(const LoggerRun& run)
{
    std::int64_t until = INT_MAX;
    for (const AlarmCommand& command : run.commands) {
        if (command.process == nullptr) continue;
        // One that was ended is looked at again soon, to collect it.
        const std::int64_t left = command.startedTick + run.commandLimitMs - platform::clockTicksMs();
        until = std::min(until, command.killed ? 100 : std::max<std::int64_t>(left, 0));
    }
    return until;
}

// Each start and end of an alarm: in the alarm log, on the disk before anything shows it, and on
// standard error, which is the service's journal; then on the desktop and by its command.
void judgeAndKeepAlarms(LoggerRun& run)
{
    const LoggerState& state = run.state;
    for (const AlarmEvent& event : judgeAlarms(run.state.alarms, state.reading, state.settings)) {
        appendAlarmRow(run.alarmLog, alarmLogRow(event, state.settings, state.reading.momentMs));
        // A digital input's codes in the words of its window.
        const auto shown = [&](const std::string& code) {
            if (event.alarm < firstDigitalAlarm || event.alarm == boardAlarm) return code;
            const DigitalInput& input = state.settings.digital[event.alarm - firstDigitalAlarm];
            return code == std::string(1, closedCode) ? input.closedText : input.openText;
        };
        const Message said =
            event.alarm == boardAlarm
                ? message(event.start ? MessageId::boardSilentStarted : MessageId::boardSilentEnded, {event.limit})
                : message(event.start ? MessageId::alarmStarted : MessageId::alarmEnded,
                          {alarmInputName(state.settings, event.alarm), shown(event.value), shown(event.limit)});
        say(said);
        if (state.settings.alarmNotify && platform::uiStart()) {
            std::string text = said.in(Language::german);
            if (text.ends_with('\n')) text.pop_back();
            platform::notifyShow(std::string(event.start ? "ALARM - " : "").append(mainWindowTitle), text, event.start);
        }
        run.alarmToneDue = run.alarmToneDue || (event.start && state.settings.alarmSound);
        startAlarmCommand(run, event);
    }
}

void runCycle(LoggerRun& run)
{
    reconnectIfBroken(run.state);
    readInputs(run.state);
    appendLogRow(run.log, run.state);
    judgeAndKeepAlarms(run);
    publishRow(run.publisher, run.state);
    click(run.state, std::exchange(run.alarmToneDue, false) ? platform::Tone::alarm : platform::Tone::click);
    refreshDisplay(run.state);
    refreshAlarms(run.state);
    addCourseRow(run.course, run.state);
}

// The tick at which the next cycle starts: an interval after the wait's start, or at the next
// slot of the aligned schedule after the wall clock's reading wallNow, which slot then holds. A
// cycle that ran past its slot waits for the one after, and the window then announces that one.
std::int64_t cycleDeadline(LoggerState& state, std::int64_t waitStart, std::int64_t wallNow, std::int64_t& slot)
{
    if (state.settings.schedule == Schedule::drift)
        return waitStart + static_cast<std::int64_t>(roundHalfEven(state.intervalMs));
    slot = nextSlotMs(state.intervalMs, wallNow);
    const DateValue next = secondOf(slot);
    if (dateText(next) != state.nextLogDate || timeText(next) != state.nextLogTime) {
        state.nextLogDate = dateText(next);
        state.nextLogTime = timeText(next);
        refreshNextLog(state);
    }
    return waitStart + (slot - wallNow);
}

// True when a close request ends the wait, false when the interval is over.
bool waitInterval(LoggerRun& run)
{
    LoggerState& state = run.state;
    const bool aligned = state.settings.schedule == Schedule::aligned;
    std::int64_t slot = 0;
    std::int64_t waitDeadline = cycleDeadline(state, platform::clockTicksMs(), aligned ? wallClockMs() : 0, slot);
    for (;;) {
        const std::int64_t now = platform::clockTicksMs();
        // The two clocks turn their milliseconds apart and are read apart: the ticks can reach the
        // deadline while the wall clock is short of the slot, and the row would carry the second
        // before. The rest is waited out; a wall clock set back (summer time's end) aims at its
        // own next slot rather than waiting the hour.
        if (aligned && now >= waitDeadline)
            if (const std::int64_t wallNow = wallClockMs(); wallNow < slot)
                waitDeadline = cycleDeadline(state, now, wallNow, slot);
        const bool intervalElapsed = now >= waitDeadline;
        // The earlier log is read in steps between events, once the first row is out.
        const bool reading = state.reading.taken && courseReading(run.course);
        // Sleeping in the toolkit until the deadline keeps the order of the checks: an event that
        // arrives meanwhile is taken by this pass, the clock is read again by the next.
        const std::int64_t remaining =
            intervalElapsed || reading ? 0 : std::min(waitDeadline - now, untilCommandLimit(run));
        platform::UiEvent event = platform::uiTakeEvent(static_cast<int>(std::min<std::int64_t>(remaining, INT_MAX)));
        handleCourseEvent(run.course, event);
        tendAlarmCommands(run);
        if (const auto status = publishingStatusChange(run.publisher)) platform::uiSetText(mqttStatusControl, *status);
        int lastEvent = event.code;
        if (event.code == platform::uiEventControl && event.control == endButtonControl)
            lastEvent = platform::uiEventClose;
        if (lastEvent == platform::uiEventClose) return true;
        if (intervalElapsed) return false;
        if (reading) readCourseStep(run.course);
    }
}

void shutDown(LoggerRun& run)
{
    LoggerState& state = run.state;
    click(state);
    closeLog(run.log);
    // An alarm still on keeps no end: the next start judges afresh.
    closeLog(run.alarmLog);
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
    // Commands still running are not waited for: they run on, and only their records go.
    tendAlarmCommands(run);
    for (AlarmCommand& command : run.commands)
        if (command.process != nullptr) platform::shellRelease(std::exchange(command.process, nullptr));
    if (run.soundStarted) platform::soundStop();
    if (anyAlarmWatched(run.state.settings)) platform::notifyStop();
    stopNetwork();
    run.state.connection = nullptr;  // dropped with the socket service
    platform::uiFreePicture(run.picture);
    run.picture = nullptr;
    platform::uiCloseWindows();
    closeLog(run.log);
    closeLog(run.alarmLog);
}

}  // namespace

LoggerEnd runLogger(const Settings& settings, const std::string& mqttPassword, bool offerSettings)
{
    LoggerRun run;
    run.offerSettings = offerSettings;
    const bool started = startUp(run, settings, mqttPassword);
    if (started) {
        // On the aligned schedule even the first row waits for its slot.
        bool closing = run.state.settings.schedule == Schedule::aligned && waitInterval(run);
        while (!closing) {
            runCycle(run);
            closing = waitInterval(run);
        }
        shutDown(run);
    }
    endProgram(run);
    return {started ? 0 : 1, run.settingsWanted};
}
