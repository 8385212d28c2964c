// The CSV log file: opened or created at start, one header row per run, one row per cycle.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {
struct LogFile;
}

struct LoggerState;

struct CsvLog {
    platform::LogFile* file = nullptr;
    std::array<char, 4096> buffer{};
    std::size_t used = 0;
};

// Opens or creates logFilePath without truncating and appends the header row.
// False when the file cannot be opened, created, or is held by another logger.
bool openLog(CsvLog& log, const LoggerState& state);

// Sets the last and next log texts from the reading and appends its row, which reaches the disk
// before this returns.
void appendLogRow(CsvLog& log, LoggerState& state);

void closeLog(CsvLog& log);

// The alarm log beside the log: opened as the log is, with its header where the file is new.
bool openAlarmLog(CsvLog& log, const std::string& path);
// Appends a row with its line end, which reaches the disk before this returns.
void appendAlarmRow(CsvLog& log, std::string_view row);
