// Alarms on the readings, judged after each row; their rows in the alarm log.
#include "logging/Alarms.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "logging/DateText.h"
#include "logging/LogFormat.h"
#include "logging/LogInterval.h"

namespace {

const AnalogInput& analogOf(const Settings& settings, std::size_t alarm) { return settings.analog[alarm]; }
const DigitalInput& digitalOf(const Settings& settings, std::size_t alarm)
{
    return settings.digital[alarm - firstDigitalAlarm];
}

bool above(const Settings& settings, std::size_t input) { return isGiven(settings, &AnalogInput::alarmAbove, input); }
bool below(const Settings& settings, std::size_t input) { return isGiven(settings, &AnalogInput::alarmBelow, input); }

// The delay's text of an alarm, empty where it has none.
const std::string& delayOf(const Settings& settings, std::size_t alarm)
{
    if (alarm == boardAlarm) return settings.boardSilentAfter;
    return alarm < firstDigitalAlarm ? analogOf(settings, alarm).alarmAfter : digitalOf(settings, alarm).alarmAfter;
}

// The value as the log has it; none where the reading holds none for the input.
std::optional<std::string> fieldOf(const Reading& reading, const Settings& settings, std::size_t alarm)
{
    if (alarm < firstDigitalAlarm) {
        if (reading.analogReplyEmpty[alarm] || !reading.analogRaw[alarm]) return std::nullopt;
        return analogField(reading, alarm, analogOf(settings, alarm), voltageRoundFactor, voltageTextWidth);
    }
    const std::size_t input = alarm - firstDigitalAlarm;
    if (reading.digitalReplyEmpty[input] || !reading.digitalClosed[input]) return std::nullopt;
    return digitalField(reading, input);
}

// A limit in the form of the input's values: its decimals in the quantity form.
std::string limitText(const AnalogInput& input, double limit)
{
    if (!input.quantity) return shortestText(limit);
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, limit, std::chars_format::fixed, input.decimals);
    return error == std::errc{} ? std::string(text, end) : shortestText(limit);
}

// Whether the analog value meets its alarm's condition, given whether the alarm is on: an alarm
// on ends only once the value is back past its limit by the hysteresis.
bool analogCondition(AlarmWatch& watch, const AnalogInput& input, bool hasAbove, bool hasBelow, double value)
{
    if (watch.on)
        return watch.above ? value > input.alarmAbove - input.alarmHysteresis
                           : value < input.alarmBelow + input.alarmHysteresis;
    watch.above = hasAbove && value > input.alarmAbove;
    return watch.above || (hasBelow && value < input.alarmBelow);
}

}  // namespace

bool alarmWatched(const Settings& settings, std::size_t alarm)
{
    if (alarm == boardAlarm) return !settings.boardSilentAfter.empty();
    if (alarm < firstDigitalAlarm) return above(settings, alarm) || below(settings, alarm);
    return !digitalOf(settings, alarm).alarmWhen.empty();
}

bool anyAlarmWatched(const Settings& settings)
{
    for (std::size_t alarm = 0; alarm < alarmCount; ++alarm)
        if (alarmWatched(settings, alarm)) return true;
    return false;
}

Message alarmDelayProblem(const Settings& settings, double intervalMs)
{
    for (std::size_t alarm = 0; alarm < alarmCount; ++alarm) {
        const std::string& delay = delayOf(settings, alarm);
        if (!alarmWatched(settings, alarm) || delay.empty() || parseInterval(delay).ms >= intervalMs) continue;
        const std::string key = alarm == boardAlarm ? "alarms.board_silent_after"
                                : alarm < firstDigitalAlarm ? "analog." + std::to_string(alarm + 1) + ".alarm_after"
                                                            : "digital." + std::to_string(alarm - 3) + ".alarm_after";
        return message(MessageId::alarmDelayShort, {key, delay});
    }
    return {};
}

void startAlarms(Alarms& alarms, const Settings& settings, std::int64_t momentMs)
{
    alarms = {};
    alarms.heardMs = momentMs;
    for (std::size_t alarm = 0; alarm < alarmCount; ++alarm) {
        const std::string& delay = delayOf(settings, alarm);
        alarms.watch[alarm].holdMs = delay.empty() ? 0.0 : parseInterval(delay).ms;
    }
}

std::vector<AlarmEvent> judgeAlarms(Alarms& alarms, const Reading& reading, const Settings& settings)
{
    std::vector<AlarmEvent> events;
    const std::int64_t now = reading.momentMs;
    for (std::size_t alarm = 0; alarm < alarmCount; ++alarm) {
        if (!alarmWatched(settings, alarm)) continue;
        AlarmWatch& watch = alarms.watch[alarm];
        AlarmEvent event{alarm, false, "", ""};
        bool condition = false;
        if (alarm == boardAlarm) {
            const bool answered = boardAnswered(reading);
            if (answered) alarms.heardMs = now;
            event.limit = settings.boardSilentAfter;
            // Silent since the board was last heard, not since the first silent row.
            condition = !answered;
            if (condition && !watch.on) watch.since = alarms.heardMs;
        } else {
            const std::optional<std::string> field = fieldOf(reading, settings, alarm);
            if (!field) continue;
            event.value = *field;
            if (alarm < firstDigitalAlarm) {
                const AnalogInput& input = analogOf(settings, alarm);
                const std::optional<double> value = numberIn<double>(*field);
                if (!value) continue;
                condition = analogCondition(watch, input, above(settings, alarm), below(settings, alarm), *value);
                event.limit = limitText(input, watch.above ? input.alarmAbove : input.alarmBelow);
            } else {
                const bool closed = *field == std::string(1, closedCode);
                condition = closed == (digitalOf(settings, alarm).alarmWhen == "closed");
                event.limit = std::string(1, digitalOf(settings, alarm).alarmWhen == "closed" ? closedCode : openCode);
            }
        }
        if (!condition) {
            watch.since = -1;
            if (!watch.on) continue;
            watch.on = false;
            events.push_back(event);
            continue;
        }
        if (watch.on) continue;
        if (watch.since < 0) watch.since = now;
        if (static_cast<double>(now - watch.since) < watch.holdMs) continue;
        watch.on = true;
        event.start = true;
        events.push_back(event);
    }
    return events;
}

bool anyAlarmOn(const Alarms& alarms)
{
    return std::ranges::any_of(alarms.watch, &AlarmWatch::on);
}

std::string alarmLogPath(const Settings& settings)
{
    return settings.alarmFile.empty() ? alarmLogPathBeside(settings.logFilePath) : settings.alarmFile;
}

std::string alarmInputName(const Settings& settings, std::size_t alarm)
{
    if (alarm == boardAlarm) return std::string(boardAlarmName);
    if (alarm < firstDigitalAlarm) return analogColumnTitle(analogOf(settings, alarm));
    return digitalOf(settings, alarm).label;
}

std::string alarmLogRow(const AlarmEvent& event, const Settings& settings, std::int64_t momentMs)
{
    const DateValue moment = secondOf(momentMs);
    const char separator = logSeparator;
    return dateText(moment) + separator + timeText(moment) + separator + alarmInputName(settings, event.alarm) +
           separator + std::string(event.start ? alarmStarts : alarmEnds) + separator + event.value + separator + event.limit;
}
