// The CSV log file: one header row per run and one row per cycle, each handed to the disk
// as soon as it is formed so that a crash or power cut loses no row already announced.
#include "logging/CsvLog.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "driver/LoggerState.h"
#include "logging/Alarms.h"
#include "logging/DateText.h"
#include "logging/LogFormat.h"
#include "logging/LogInterval.h"
#include "platform/files.h"

namespace {

// Empties the buffer even when the write fails, so a lost row is never repeated later.
void writeOut(CsvLog& log)
{
    if (log.used > 0) platform::fileWrite(log.file, log.buffer.data(), log.used);
    log.used = 0;
}

void putLine(CsvLog& log, std::string_view line)
{
    if (line.size() > log.buffer.size() - log.used) {
        writeOut(log);
        if (line.size() >= log.buffer.size()) {
            platform::fileWrite(log.file, line.data(), line.size());
            return;
        }
    }
    std::memcpy(log.buffer.data() + log.used, line.data(), line.size());
    log.used += line.size();
}

void handToDisk(CsvLog& log)
{
    writeOut(log);
    platform::fileSync(log.file);
}

// Writes go to the end whatever was appended by hand meanwhile; -1 when the end cannot be found.
std::int64_t seekToEnd(CsvLog& log)
{
    writeOut(log);
    std::int64_t length = platform::fileLength(log.file);
    if (length < 0 || !platform::fileSeek(log.file, length)) return -1;
    return length;
}

// The moment the next row is due, as the window announces it.
DateValue nextLogValue(const LoggerState& state)
{
    if (state.settings.schedule == Schedule::aligned) return secondOf(nextSlotMs(state.intervalMs, state.reading.momentMs));
    double due = static_cast<double>(clockNow()) + state.intervalMs / 1000.0;
    return static_cast<DateValue>(roundHalfEven(due));
}

}  // namespace

bool openLog(CsvLog& log, const LoggerState& state)
{
    log.used = 0;
    log.file = platform::fileOpen(state.settings.logFilePath);
    if (log.file == nullptr) return false;

    // Without a known end, writing would start over the old rows at offset 0.
    std::int64_t length = seekToEnd(log);
    if (length < 0) {
        platform::fileClose(log.file);
        log.file = nullptr;
        return false;
    }
    // A last line left without its line end (by an editor, say) would swallow the header.
    char last = '\n';
    if (length > 0 && platform::fileReadAt(log.file, length - 1, &last, 1) == 1 && last != '\n') {
        putLine(log, logLineEnd);
    }
    putLine(log, logHeaderRow(state.settings));
    handToDisk(log);
    return true;
}

void appendLogRow(CsvLog& log, LoggerState& state)
{
    const DateValue moment = secondOf(state.reading.momentMs);
    state.lastLogDate = dateText(moment);
    state.lastLogTime = timeText(moment);
    const DateValue next = nextLogValue(state);
    state.nextLogDate = dateText(next);
    state.nextLogTime = timeText(next);

    if (log.file == nullptr) return;
    // A row at an unknown position could land over older rows: better lose it.
    if (seekToEnd(log) < 0) return;
    putLine(log, logDataRow(state.reading, state.settings, state.analogRoundFactor, state.analogTextWidth));
    handToDisk(log);
}

bool openAlarmLog(CsvLog& log, const std::string& path)
{
    log.used = 0;
    log.file = platform::fileOpen(path);
    if (log.file == nullptr) return false;
    const std::int64_t length = seekToEnd(log);
    if (length < 0) {
        closeLog(log);
        return false;
    }
    char last = '\n';
    if (length > 0 && platform::fileReadAt(log.file, length - 1, &last, 1) == 1 && last != '\n') putLine(log, logLineEnd);
    if (length == 0) appendAlarmRow(log, alarmLogHeader);
    handToDisk(log);
    return true;
}

void appendAlarmRow(CsvLog& log, std::string_view row)
{
    if (log.file == nullptr || seekToEnd(log) < 0) return;
    putLine(log, row);
    putLine(log, logLineEnd);
    handToDisk(log);
}

void closeLog(CsvLog& log)
{
    if (log.file == nullptr) return;
    writeOut(log);
    platform::fileClose(log.file);
    log.file = nullptr;
}
