// Keeps the course window's picture in step with the model, the size, the span and the pointer,
// drawing only when one of them changes what is shown.
#include "display/CourseWindow.h"

#include "driver/LoggerState.h"
#include "logging/Alarms.h"
#include "logging/LogFormat.h"
#include "platform/files.h"
#include "platform/window.h"

namespace {

constexpr int firstWidth = 760;
constexpr int firstHeight = 520;
// Each step's picture would cost more than the step: the picture follows every so many bytes.
constexpr std::int64_t drawEveryBytes = std::int64_t{32} << 20;

CourseSpan shownSpan(const CourseWindow& course)
{
    return course.spanChosen ? course.span : defaultCourseSpan(*course.model);
}

void draw(CourseWindow& course)
{
    if (!course.model || course.width <= 0 || course.height <= 0) return;
    const CourseSpan span = shownSpan(course);
    course.readoutIndex =
        courseReadoutIndex(*course.model, span, course.width, course.height, course.pointerX, course.pointerY);
    platform::uiDrawCourse(
        courseShapes(*course.model, span, course.width, course.height, course.pointerX, course.pointerY));
}

void close(CourseWindow& course)
{
    course.model.reset();
    course.chunk = {};
    course.log = nullptr;
    course.readAt = course.readEnd = 0;
}

}  // namespace

std::string courseTitle(const Settings& settings)
{
    return "Verlauf - " + (settings.name.empty() ? settings.boardHost : settings.name);
}

void openCourseWindow(CourseWindow& course, const LoggerState& state, platform::LogFile* log)
{
    if (!state.settings.course || !platform::uiStart() ||
        !platform::uiOpenCourseWindow(courseTitle(state.settings), firstWidth, firstHeight))
        return;
    course.model = std::make_unique<CourseModel>();
    startCourse(*course.model, state.settings);
    course.model->openColour = state.openColour;
    course.model->closedColour = state.closedColour;
    course.log = log;
    course.readAt = 0;
    course.readEnd = log ? platform::fileLength(log) : 0;
    if (course.readEnd < 0) course.readEnd = 0;
}

void addCourseRow(CourseWindow& course, const LoggerState& state)
{
    if (!course.model) return;
    CourseModel& model = *course.model;
    // The row as the log has it, read back by the log's one parser.
    feedCourse(model, model.live, logDataRow(state.reading, state.settings, state.analogRoundFactor,
                                             state.analogTextWidth));
    std::uint16_t alarms = 0;
    for (std::size_t a = 0; a < alarmCount; ++a)
        if (state.alarms.watch[a].on) alarms |= static_cast<std::uint16_t>(1u << a);
    if (alarms != 0) markCourseAlarms(model, secondOf(state.reading.momentMs), alarms);
    draw(course);
}

bool courseReading(const CourseWindow& course) { return course.model && course.readAt < course.readEnd; }

void readCourseStep(CourseWindow& course)
{
    if (!courseReading(course)) return;
    course.chunk.resize(courseStepBytes);
    const std::int64_t want = std::min<std::int64_t>(course.readEnd - course.readAt, courseStepBytes);
    const std::int64_t got = platform::fileReadAt(course.log, course.readAt, course.chunk.data(),
                                                  static_cast<std::size_t>(want));
    // A log that cannot be read further shows what was read.
    const bool ended = got <= 0;
    if (!ended) {
        feedCourse(*course.model, course.model->earlier, std::string_view(course.chunk.data(), static_cast<std::size_t>(got)));
        course.readAt += got;
    }
    if (ended || course.readAt >= course.readEnd) {
        course.readAt = course.readEnd;
        feedCourse(*course.model, course.model->earlier, "\n");  // a last line without its end
        course.chunk = {};
        draw(course);
    } else if (course.readAt % drawEveryBytes < got) {
        draw(course);
    }
}

void handleCourseEvent(CourseWindow& course, const platform::UiEvent& event)
{
    if (!course.model) return;
    switch (event.code) {
    case platform::uiEventCourseClose: close(course); return;
    case platform::uiEventCourseSize:
        if (event.x == course.width && event.y == course.height) return;
        course.width = event.x;
        course.height = event.y;
        draw(course);
        return;
    case platform::uiEventCoursePointer: {
        if (const std::optional<CourseSpan> span = courseSpanAt(event.x, event.y); span && event.control == 1) {
            const bool changed = *span != shownSpan(course);
            course.span = *span;
            course.spanChosen = true;
            if (changed) draw(course);
            return;
        }
        course.pointerX = event.x;
        course.pointerY = event.y;
        const std::int64_t index =
            courseReadoutIndex(*course.model, shownSpan(course), course.width, course.height, event.x, event.y);
        if (index != course.readoutIndex) draw(course);
        return;
    }
    default: return;
    }
}
