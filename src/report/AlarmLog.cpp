// Reads the alarm log line by line, pairs each alarm with its end, and follows the log's rows
// through the alarms' periods.
#include "report/AlarmLog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "driver/TextCodec.h"
#include "report/ReportText.h"

namespace {

struct AlarmLine {
    DateValue stamp = 0;
    std::string_view name;
    bool starts = false;
    bool board = false;
    int direction = 0;
};

// A number as the log writes it, or with maybeEmpty nothing.
bool valueField(std::string_view field, bool maybeEmpty, AnalogValue& value, bool& present)
{
    const AnalogFieldValue parsed = parseAnalogField(field);
    present = parsed.kind == AnalogFieldValue::number;
    return present ? analogValueOf(parsed, value) : maybeEmpty && parsed.kind == AnalogFieldValue::empty;
}

bool parseAlarmLine(std::string_view line, AlarmLine& alarm)
{
    constexpr std::size_t restAt = usualRowLayout.fieldAt[firstAnalogField];
    if (line.size() < restAt || line[usualRowLayout.fieldAt[timeField] - 1] != logSeparator ||
        line[restAt - 1] != logSeparator)
        return false;
    const DateValue midnight = readLogDate(line.data());
    const int second = readLogTime(line.data());
    if (midnight < 0 || second < 0) return false;
    alarm.stamp = midnight + second;
    std::array<std::string_view, 4> fields;
    std::string_view rest = line.substr(restAt);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t comma = rest.find(logSeparator);
        const bool last = i + 1 == fields.size();
        if (last != (comma == std::string_view::npos)) return false;
        fields[i] = rest.substr(0, comma);
        if (!last) rest.remove_prefix(comma + 1);
    }
    const auto [name, event, valueText, limitText] = fields;
    if (name.empty() || (event != alarmStarts && event != alarmEnds)) return false;
    alarm.name = name;
    alarm.starts = event == alarmStarts;
    alarm.board = name == boardAlarmName && valueText.empty();
    AnalogValue value = 0;
    AnalogValue limit = 0;
    bool hasValue = false;
    bool hasLimit = false;
    // The board's limit is how long it was silent, as the settings write it ("M1").
    if (alarm.board) return true;
    if (!valueField(valueText, false, value, hasValue) || !valueField(limitText, true, limit, hasLimit)) return false;
    alarm.direction = !hasLimit || value == limit ? 0 : value > limit ? 1 : -1;
    return true;
}

void handleLine(AlarmLog& log, std::string_view line)
{
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // The logger writes the header whenever it makes the file anew.
    if (line == alarmLogHeader) return;
    AlarmLine parsed;
    if (!parseAlarmLine(line, parsed)) {
        ++log.skippedLines;
        return;
    }
    const std::string name(parsed.name);
    const auto open = log.open.find(name);
    if (!parsed.starts) {
        // An end without its start says nothing of a period.
        if (open == log.open.end() || parsed.stamp < log.alarms[open->second].start) {
            ++log.skippedLines;
            return;
        }
        Alarm& alarm = log.alarms[open->second];
        alarm.end = parsed.stamp;
        alarm.ended = true;
        log.open.erase(open);
        return;
    }
    // A new start before an end: the logger ended during the alarm and has started again.
    if (open != log.open.end()) log.alarms[open->second].restart = parsed.stamp;
    log.open[name] = log.alarms.size();
    Alarm alarm;
    alarm.name = name;
    alarm.start = parsed.stamp;
    alarm.direction = parsed.direction;
    alarm.board = parsed.board;
    log.alarms.push_back(std::move(alarm));
}

void endPartial(AlarmLog& log)
{
    if (log.overlong)
        ++log.skippedLines;
    else
        handleLine(log, log.partial);
    log.partial.clear();
    log.overlong = false;
}

bool sameText(const std::string& a, const std::string& b)
{
    // An editor may have saved the log's header in UTF-8, while the alarm log has Latin-1, or the other way.
    return a == b || utf8Of(a, isUtf8(a)) == utf8Of(b, isUtf8(b));
}

std::size_t inputNamed(const AlarmLog& log, const Alarm& alarm)
{
    if (alarm.board) return boardInput;
    for (std::size_t i = 0; i < log.titles.size(); ++i)
        if (sameText(alarm.name, log.titles[i])) return i;
    return unknownInput;
}

}  // namespace

void feedAlarmLog(AlarmLog& log, const char* data, std::size_t size)
{
    const char* at = data;
    const char* const end = data + size;
    while (at < end) {
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        const std::string_view piece(at, static_cast<std::size_t>((newline ? newline : end) - at));
        if (log.partial.empty() && !log.overlong && newline) {
            if (piece.size() > maxAlarmLineBytes)
                ++log.skippedLines;
            else
                handleLine(log, piece);
        } else {
            log.overlong = log.overlong || piece.size() > maxAlarmLineBytes - log.partial.size();
            if (log.overlong)
                log.partial.clear();
            else
                log.partial.append(piece);
            if (newline) endPartial(log);
        }
        if (!newline) return;
        at = newline + 1;
    }
}

void endAlarmLogFile(AlarmLog& log)
{
    // A last line without its line end was cut short.
    if (!log.partial.empty() || log.overlong) ++log.skippedLines;
    log.partial.clear();
    log.overlong = false;
}

bool readAlarmLogFile(AlarmLog& log, const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    constexpr std::size_t chunkBytes = std::size_t{1} << 16;
    const auto chunk = std::make_unique<char[]>(chunkBytes);
    std::size_t got = 0;
    while ((got = std::fread(chunk.get(), 1, chunkBytes, file)) > 0) feedAlarmLog(log, chunk.get(), got);
    std::fclose(file);
    endAlarmLogFile(log);
    return true;
}

void finishAlarmLog(AlarmLog& log)
{
    // Written as they happen, the alarms come by their start unless a clock was put back.
    const auto byStart = [](const Alarm& a, const Alarm& b) { return a.start < b.start; };
    if (!std::is_sorted(log.alarms.begin(), log.alarms.end(), byStart))
        std::stable_sort(log.alarms.begin(), log.alarms.end(), byStart);
    log.unended = std::count_if(log.alarms.begin(), log.alarms.end(), [](const Alarm& a) { return !a.ended; });
    log.open.clear();
    for (std::size_t i = 0; i < log.titles.size(); ++i) log.titles[i] = defaultLabel(i);
}

void alarmRunStarts(AlarmLog& log, const std::array<std::string_view, 8>* titles)
{
    // An alarm without an end lasts to the last row of its run.
    std::erase_if(log.active, [&log](std::size_t k) { return !log.alarms[k].ended; });
    if (titles)
        for (std::size_t i = 0; i < log.titles.size(); ++i) log.titles[i] = (*titles)[i];
    log.runHasRow = false;
}

std::uint32_t alarmRow(AlarmLog& log, DateValue stamp, const std::array<AnalogValue, 4>& values,
                       std::uint32_t valued)
{
    if (!log.runHasRow) {
        log.runHasRow = true;
        log.runStart = stamp;
    }
    for (; log.next < log.alarms.size() && log.alarms[log.next].start <= stamp; ++log.next) {
        Alarm& alarm = log.alarms[log.next];
        // One without an end that began before this run belongs to a run that has no rows after it.
        if (alarm.ended ? alarm.end < stamp : alarm.start < log.runStart || alarm.restart <= stamp) continue;
        alarm.input = inputNamed(log, alarm);
        log.active.push_back(log.next);
    }
    std::uint32_t inAlarm = 0;
    for (std::size_t k = 0; k < log.active.size();) {
        Alarm& alarm = log.alarms[log.active[k]];
        if (alarm.ended ? alarm.end < stamp : alarm.restart <= stamp) {
            log.active[k] = log.active.back();
            log.active.pop_back();
            continue;
        }
        ++k;
        if (alarm.input <= boardInput) inAlarm |= std::uint32_t{1} << alarm.input;
        ++alarm.rows;
        alarm.lastRowStamp = stamp;
        if (alarm.input >= 4 || alarm.direction == 0 || (valued >> alarm.input & 1u) == 0) continue;
        const AnalogValue value = values[alarm.input];
        if (!alarm.hasExtreme || (alarm.direction > 0 ? value > alarm.extreme : value < alarm.extreme)) {
            alarm.extreme = value;
            alarm.hasExtreme = true;
        }
    }
    return inAlarm;
}
