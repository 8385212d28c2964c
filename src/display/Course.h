// The course of the inputs over time, for the course window: the range of every input per time
// bucket at four resolutions in fixed memory, fed with the log's lines, and laid out into shapes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logging/DateText.h"
#include "platform/window.h"
#include "report/LogLine.h"
#include "settings/Settings.h"

enum class CourseSpan { hour, day, week, all };
inline constexpr std::size_t courseSpans = 4;
inline constexpr std::array<const char*, courseSpans> courseSpanNames = {"1 Stunde", "1 Tag", "1 Woche", "alles"};

// Per resolution; a span's level holds a little more than the span, so that its width fits.
inline constexpr std::size_t courseBucketCount = 1024;
// Seconds per bucket of the hour, day and week; "alles" starts at one second and doubles.
inline constexpr std::array<DateValue, 3> courseWidths = {4, 90, 600};
inline constexpr std::array<DateValue, 3> courseSpanSeconds = {3600, 86400, 7 * 86400};

// Inputs as bits: analog 1 to 4 in bits 0 to 3, digital 1 to 4 in bits 4 to 7.
struct CourseBucket {
    std::int64_t index = -1;  // the bucket's start divided by its level's width; -1: empty
    std::array<double, 4> low{};
    std::array<double, 4> high{};
    std::uint8_t values = 0;  // inputs with a value (a digital state) in the bucket
    // Inputs whose first value in the bucket continues the value before it without a gap: the
    // line joins it to the previous bucket with a value, however far back that one is.
    std::uint8_t joined = 0;
    std::uint8_t seenOpen = 0;  // digital inputs as bits 0 to 3
    std::uint8_t seenClosed = 0;
    std::uint16_t alarms = 0;  // as Alarms numbers them: analog 0 to 3, digital 4 to 7, the board 8
};

struct CourseLevel {
    DateValue width = 1;
    std::array<CourseBucket, courseBucketCount> buckets{};  // each at its index modulo the count
    std::int64_t low = 0;  // indexes in use; "alles" keeps them fewer than the count
    std::int64_t high = -1;
};

// One source of lines, the earlier log or this run's rows: where it stands in its run.
struct CourseFeed {
    RowCache cache;
    LogRow row;
    std::array<std::string_view, 8> titles;
    std::string partial;          // a line cut by the end of a chunk
    std::uint8_t taken = 0xFF;    // inputs of the run whose unit is the course's
    std::uint8_t continuing = 0;  // inputs whose value the row before had
    DateValue previousStamp = -1;
    DateValue spacing = 0;  // the run's least step so far; a step above twice it is a gap
};

// Everything the window shows but the picture's size, the span and the pointer.
struct CourseModel {
    std::array<std::string, 8> labels;  // this run's, from its settings
    std::array<std::string, 4> units;   // shown on the axes
    std::array<std::string, 4> headerUnits;  // as this run's header writes them, to match earlier runs'
    std::array<int, 4> decimals{};
    std::array<std::string, 4> openTexts;
    std::array<std::string, 4> closedTexts;
    std::array<std::optional<double>, 4> above;
    std::array<std::optional<double>, 4> below;
    std::uint32_t openColour = 0xFF0000;
    std::uint32_t closedColour = 0x0000FF;
    std::uint8_t everValues = 0;  // inputs that had a value anywhere
    bool any = false;
    DateValue first = 0;
    DateValue last = 0;
    std::array<CourseLevel, courseSpans> levels;
    CourseFeed earlier;  // the rows of runs before this one, read from the log file
    CourseFeed live;     // this run's, as the logger writes them
};

// A fresh model with this run's labels, units, state texts and alarm limits.
void startCourse(CourseModel& model, const Settings& settings);

// Any bytes of the log, in chunks that may cut lines; a line without its end waits for the next.
void feedCourse(CourseModel& model, CourseFeed& feed, std::string_view bytes);

// The alarms on at the stamp, marked in its bucket at every level.
void markCourseAlarms(CourseModel& model, DateValue stamp, std::uint16_t alarms);

// The span that holds the whole log, up to a week.
CourseSpan defaultCourseSpan(const CourseModel& model);

// The buckets a span shows, from its first index to its last, and their width.
struct CourseView {
    const CourseLevel* level = nullptr;
    std::int64_t firstIndex = 0;
    std::int64_t lastIndex = -1;
    DateValue start = 0;  // of the first bucket
    DateValue end = 0;    // of the last
};
CourseView courseView(const CourseModel& model, CourseSpan span);
// The bucket at index in the level, if it holds that one.
const CourseBucket* courseBucket(const CourseLevel& level, std::int64_t index);

// The span choice at (x, y), or none.
std::optional<CourseSpan> courseSpanAt(int x, int y);
// The bucket index that the pointer's readout shows, or -1 where it shows none.
std::int64_t courseReadoutIndex(const CourseModel& model, CourseSpan span, int width, int height, int x, int y);

// The picture: the span choices, one chart per unit, a strip per digital input, the time axis,
// and at the pointer (x below 0: none) the time and every value there.
std::vector<platform::UiShape> courseShapes(const CourseModel& model, CourseSpan span, int width, int height,
                                            int pointerX, int pointerY);

// A number in German form, with decimal comma: "-12,50".
std::string germanNumber(double value, int decimals);
