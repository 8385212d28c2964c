// The alarm log that the logger writes beside its log, read into the alarms that the report
// shades, lists and counts. Each period is then told from the log's rows as they are read, so both
// files are read once, front to back.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "report/LogLine.h"

// An alarm's input: 0 to 3 analog, 4 to 7 digital as in the log's columns, then the board, then
// a name that no column of the run has.
constexpr std::size_t boardInput = 8;
constexpr std::size_t unknownInput = 9;

struct Alarm {
    std::string name;  // as the alarm log has it: a column title of the log, or "Board"
    DateValue start = 0;
    DateValue end = 0;
    bool ended = false;  // without an end the period lasts to the last row of its run
    // Without an end it lasts no further than the next alarm of its input: at most one of an
    // input is under way, whatever the alarm log says.
    DateValue restart = std::numeric_limits<DateValue>::max();
    int direction = 0;   // the value at the start: 1 above its limit, -1 below, 0 neither
    bool board = false;
    // Told by the log's rows in the period, which end before the first row after its end.
    std::size_t input = unknownInput;
    std::int64_t rows = 0;
    DateValue lastRowStamp = 0;
    bool hasExtreme = false;
    AnalogValue extreme = 0;  // the highest value above the limit, the lowest below it
};

// The alarm log's longest line is far shorter; longer ones are skipped unread.
constexpr std::size_t maxAlarmLineBytes = 4096;

struct AlarmLog {
    std::vector<Alarm> alarms;  // by their start once finishAlarmLog has run
    std::int64_t skippedLines = 0;
    std::int64_t unended = 0;
    // While reading: the line that continues in the next chunk, and the alarm of each name that
    // has not ended yet.
    std::string partial;
    bool overlong = false;
    std::unordered_map<std::string, std::size_t> open;
    // Along the log's rows: the next alarm to start, those under way, and the run's column titles.
    std::size_t next = 0;
    std::vector<std::size_t> active;
    std::array<std::string, 8> titles;
    bool runHasRow = false;
    DateValue runStart = 0;
};

// One alarm log's bytes in any chunks, then its end; or the whole file at path, false when there
// is none. Several files follow one another, as their logs do; finishAlarmLog readies the alarms
// for the log's rows, after the last file and before the first row.
void feedAlarmLog(AlarmLog& log, const char* data, std::size_t size);
void endAlarmLogFile(AlarmLog& log);
bool readAlarmLogFile(AlarmLog& log, const std::string& path);
void finishAlarmLog(AlarmLog& log);

// The log's rows in file order, and its runs. A row gives the values that count (bit n of valued
// for analog input n+1) and gets back the inputs in alarm, bit 8 for the board.
void alarmRunStarts(AlarmLog& log, const std::array<std::string_view, 8>* titles);
std::uint32_t alarmRow(AlarmLog& log, DateValue stamp, const std::array<AnalogValue, 4>& values,
                       std::uint32_t valued);
// Whether a row stamped up to upTo may be in some alarm's period: mostly none is.
inline bool alarmsDue(const AlarmLog& log, DateValue upTo)
{
    return !log.active.empty() || (log.next < log.alarms.size() && log.alarms[log.next].start <= upTo);
}
