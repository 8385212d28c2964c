// Alarms on the readings: an analog value past a limit, a digital input in a state, a board that
// stopped answering. Judged after each row from the reading alone, and kept in an alarm log
// beside the log, in the log's own forms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/Reading.h"
#include "driver/Messages.h"
#include "settings/Settings.h"

// Alarms 0 to 3 are the analog inputs', 4 to 7 the digital inputs', 8 the board's.
inline constexpr std::size_t firstDigitalAlarm = 4;
inline constexpr std::size_t boardAlarm = 8;
inline constexpr std::size_t alarmCount = 9;

struct AlarmWatch {
    bool on = false;
    std::int64_t since = -1;  // when its condition began to hold without a break; -1: it does not
    bool above = false;       // an analog alarm's: past the upper limit, not the lower
    double holdMs = 0.0;      // how long the condition must hold before it starts
};

struct Alarms {
    std::array<AlarmWatch, alarmCount> watch;
    std::int64_t heardMs = 0;  // when the board last answered
    bool titleShown = false;   // the window's title says ALARM
};

struct AlarmEvent {
    std::size_t alarm = 0;
    bool start = false;  // else its end
    std::string value;   // as the log's field has it; empty for the board
    std::string limit;
};

// Whether the settings ask for the alarm.
bool alarmWatched(const Settings& settings, std::size_t alarm);
bool anyAlarmWatched(const Settings& settings);

// Why a delay cannot be kept at this interval, since a condition is seen once a row; empty where
// every one can.
Message alarmDelayProblem(const Settings& settings, double intervalMs);

// The watch from the start's moment on: every alarm off, the board heard then.
void startAlarms(Alarms& alarms, const Settings& settings, std::int64_t momentMs);

// What the reading starts and ends. An input without a value in it keeps its alarm as it was.
std::vector<AlarmEvent> judgeAlarms(Alarms& alarms, const Reading& reading, const Settings& settings);

bool anyAlarmOn(const Alarms& alarms);

// The alarm file's setting, else the log's path with "-alarme" before its extension.
std::string alarmLogPath(const Settings& settings);

// The input as the log's header names it, boardAlarmName for the board.
std::string alarmInputName(const Settings& settings, std::size_t alarm);

// A row of the alarm log, without its line end: date, time, input, "Alarm" or "Ende", value, limit.
std::string alarmLogRow(const AlarmEvent& event, const Settings& settings, std::int64_t momentMs);
