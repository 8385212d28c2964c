// The course window beside the main one: opened at start where the settings ask for it, fed each
// row, the earlier log read in steps between events, and drawn only when its picture changes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "display/Course.h"

namespace platform {
struct LogFile;
struct UiEvent;
}

struct LoggerState;

// How much of the earlier log one step reads: a few milliseconds' work.
inline constexpr std::size_t courseStepBytes = std::size_t{1} << 18;

struct CourseWindow {
    std::unique_ptr<CourseModel> model;  // none while the window is not open: no cost
    CourseSpan span = CourseSpan::hour;
    bool spanChosen = false;  // else the default span, which follows the log as it is read
    int width = 0;
    int height = 0;
    int pointerX = -1;
    int pointerY = -1;
    std::int64_t readoutIndex = -1;
    platform::LogFile* log = nullptr;  // the earlier log is read from it up to readEnd
    std::int64_t readAt = 0;
    std::int64_t readEnd = 0;
    std::vector<char> chunk;
};

// The window's title: "Verlauf - " and the logger's name or the board's address.
std::string courseTitle(const Settings& settings);

// Opens the window where the settings ask for it and a window can open, after the main window;
// the log's bytes up to its present end are the earlier runs' rows.
void openCourseWindow(CourseWindow& course, const LoggerState& state, platform::LogFile* log);

// The row just written, and the alarms on at it; the picture is drawn anew.
void addCourseRow(CourseWindow& course, const LoggerState& state);

// Whether the earlier log still has bytes to read; the driver then waits no longer than an event
// needs, and reads a step after each.
bool courseReading(const CourseWindow& course);
void readCourseStep(CourseWindow& course);

// The window's own events; others are left alone.
void handleCourseEvent(CourseWindow& course, const platform::UiEvent& event);
