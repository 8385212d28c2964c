// The course model and its picture: gaps, axes, spans, earlier runs and the buckets against a
// brute-force reference; and the driver's course window through the fake toolkit.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "display/Course.h"
#include "driver/CommandLine.h"
#include "driver/Driver.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_platform.h"
#include "logging/LogFormat.h"

namespace {

constexpr DateValue start = 1796634000;  // 07.12.2026 09:00:00

// A row in the voltage form: the first analog field as given ("" empty), the others fixed.
std::string row(DateValue stamp, const std::string& first, const char* codes = "0,1,0,0")
{
    return dateText(stamp) + "," + timeText(stamp) + "," + first + ",1.00,2.00,3.00," + codes + "\r\n";
}

// An absent board's row: every value "-0.0", every code 1.
std::string awayRow(DateValue stamp) { return dateText(stamp) + "," + timeText(stamp) + ",-0.0,-0.0,-0.0,-0.0,1,1,1,1\r\n"; }

std::unique_ptr<CourseModel> modelOf(const Settings& settings, const std::string& earlier)
{
    auto model = std::make_unique<CourseModel>();
    startCourse(*model, settings);
    feedCourse(*model, model->earlier, earlier);
    return model;
}

const CourseBucket* bucketOf(const CourseModel& model, CourseSpan span, DateValue stamp)
{
    const CourseLevel& level = model.levels[static_cast<std::size_t>(span)];
    return courseBucket(level, stamp / level.width);
}

std::vector<const platform::UiShape*> textsOf(const std::vector<platform::UiShape>& shapes, const std::string& words)
{
    std::vector<const platform::UiShape*> found;
    for (const platform::UiShape& shape : shapes)
        if (shape.kind == platform::UiShapeKind::text && shape.text.find(words) != std::string::npos)
            found.push_back(&shape);
    return found;
}

TEST(Course, GapsAtOutagesEmptyFieldsAbsentBoardsAndNewRunsButNotAtSparseRows)
{
    const std::string header = logHeaderRow(defaultSettings());
    struct Case {
        const char* what;
        std::vector<std::pair<int, const char*>> rows;  // seconds after the start, first field; "away", "header"
        std::vector<bool> joined;                        // of each row with a value of input 1, after the first
    } const cases[] = {
        {"every 10 s", {{0, "1.00"}, {10, "1.10"}, {20, "1.20"}}, {true, true}},
        {"an outage of a minute", {{0, "1.00"}, {10, "1.10"}, {80, "1.20"}, {90, "1.30"}}, {true, false, true}},
        {"an empty field", {{0, "1.00"}, {10, ""}, {20, "1.20"}, {30, "1.30"}}, {false, true}},
        {"an absent board", {{0, "1.00"}, {10, "away"}, {20, "1.20"}, {30, "1.30"}}, {false, true}},
        {"a 60 s interval in the hour's 4 s buckets", {{0, "1.00"}, {60, "1.10"}, {120, "1.20"}}, {true, true}},
        {"a new run", {{0, "1.00"}, {10, "1.10"}, {15, "header"}, {20, "1.20"}, {30, "1.30"}}, {true, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string log = header;
        std::vector<DateValue> stamps;
        for (const auto& [seconds, first] : c.rows) {
            const std::string_view field = first;
            if (field == "header") log += header;
            else log += field == "away" ? awayRow(start + seconds) : row(start + seconds, first);
            if (field != "header" && field != "away" && !field.empty()) stamps.push_back(start + seconds);
        }
        const auto model = modelOf(defaultSettings(), log);
        std::vector<bool> joined;
        for (std::size_t i = 1; i < stamps.size(); ++i) {
            const CourseBucket* bucket = bucketOf(*model, CourseSpan::hour, stamps[i]);
            ASSERT_NE(bucket, nullptr);
            joined.push_back(bucket->joined & 1);
        }
        EXPECT_EQ(joined, c.joined);
        // Input 2 has a value in each row but the absent board's.
        EXPECT_EQ(model->everValues, 0xFF);
    }
}

TEST(Course, OneChartPerUnitWithGermanNumbersOnItsAxis)
{
    Settings settings = defaultSettings();
    StartOptions start;
    const std::string path = "/tmp/course-units.toml";
    for (const auto& [input, unit] : {std::pair{1, "\xB0" "C"}, {2, "%"}, {3, "\xB0" "C"}}) {
        settings.analog[static_cast<std::size_t>(input - 1)].unit = unit;
        settings.analog[static_cast<std::size_t>(input - 1)].quantity = true;
        settings.analog[static_cast<std::size_t>(input - 1)].label = "Eingang " + std::to_string(input);
    }
    settings.analog[3].label = "Spannung";
    std::string log = logHeaderRow(settings);
    for (int i = 0; i < 100; ++i)
        log += dateText(::start + i * 10) + "," + timeText(::start + i * 10) + ",21.5,40.0,-3.25,2.50,0,1,0,0\r\n";
    const auto model = modelOf(settings, log);
    const std::vector<platform::UiShape> shapes = courseShapes(*model, CourseSpan::hour, 800, 600, -1, -1);
    const auto titleY = [&](const std::string& title) {
        const auto found = textsOf(shapes, title);
        return found.size() == 1 ? found.front()->y : -1;
    };
    EXPECT_EQ(titleY("Eingang 1 [\xB0" "C]"), titleY("Eingang 3 [\xB0" "C]"));
    std::set<int> charts = {titleY("Eingang 1 [\xB0" "C]"), titleY("Eingang 2 [%]"), titleY("Spannung [Volt]")};
    EXPECT_EQ(charts.size(), 3u) << "three units, three charts";
    EXPECT_FALSE(charts.contains(-1));
    EXPECT_EQ(textsOf(shapes, "-20").size(), 1u) << "the shared axis reaches below input 3's -3.25";
    EXPECT_EQ(textsOf(shapes, "2,5").size(), 1u) << "the volts' axis on a decimal comma";
    EXPECT_EQ(textsOf(shapes, "OFFEN").size() + textsOf(shapes, "GESCHLOSSEN").size() >= 8, true)
        << "four strips, each labelled with both texts";

    struct Number {
        double value;
        int decimals;
        const char* text;
    } const numbers[] = {{2.5, 2, "2,50"}, {-0.004, 2, "0,00"}, {-12.5, 1, "-12,5"}, {1234.56, 1, "1234,6"}, {40, 0, "40"}};
    for (const Number& n : numbers) EXPECT_EQ(germanNumber(n.value, n.decimals), n.text);
}

TEST(Course, TheFourSpansAndTheDefaultThatHoldsTheLog)
{
    struct Case {
        DateValue length;
        CourseSpan expected;
    } const cases[] = {
        {1800, CourseSpan::hour}, {5 * 3600, CourseSpan::day}, {3 * 86400, CourseSpan::week}, {10 * 86400, CourseSpan::week}};
    for (const Case& c : cases) {
        std::string log = logHeaderRow(defaultSettings());
        for (DateValue t = 0; t <= c.length; t += 600) log += row(start + t, "1.00");
        const auto model = modelOf(defaultSettings(), log);
        EXPECT_EQ(defaultCourseSpan(*model), c.expected) << c.length;
        for (std::size_t s = 0; s < courseSpans; ++s) {
            const CourseView view = courseView(*model, static_cast<CourseSpan>(s));
            const DateValue last = start + c.length / 600 * 600;
            EXPECT_GT(view.end, last);
            if (s < 3) EXPECT_EQ(view.end - view.start, courseSpanSeconds[s]) << s;
            else EXPECT_TRUE(view.start <= start && view.end - view.start < 2 * (c.length + 1) + 2 * view.level->width);
        }
    }
    // Each choice at the top is hit where it is drawn, and labelled there.
    auto model = modelOf(defaultSettings(), logHeaderRow(defaultSettings()) + row(start, "1.00"));
    const std::vector<platform::UiShape> shapes = courseShapes(*model, CourseSpan::day, 800, 600, -1, -1);
    for (std::size_t s = 0; s < courseSpans; ++s) {
        const auto label = textsOf(shapes, courseSpanNames[s]);
        ASSERT_EQ(label.size(), 1u);
        EXPECT_EQ(courseSpanAt(label.front()->x, label.front()->y + 4), static_cast<CourseSpan>(s));
    }
    EXPECT_EQ(courseSpanAt(400, 300), std::nullopt);
}

TEST(Course, TheReadoutFollowsTheLinesAndNotTheGaps)
{
    std::string log = logHeaderRow(defaultSettings());
    for (DateValue t = 0; t <= 1200; t += 60) log += row(start + t, "1.00");
    for (DateValue t = 2400; t <= 3000; t += 60) log += row(start + t, "2.00");
    const auto model = modelOf(defaultSettings(), log);
    const CourseView view = courseView(*model, CourseSpan::hour);
    struct Case {
        DateValue at;  // after the start
        const char* shown;
    } const cases[] = {{0, "1,00 Volt"}, {630, "1,00 Volt"}, {1800, "--"}, {2402, "2,00 Volt"}, {2990, "2,00 Volt"}};
    for (const Case& c : cases) {
        const int x = 64 + static_cast<int>((start + c.at - view.start) * 720 / (view.end - view.start));
        const auto shapes = courseShapes(*model, CourseSpan::hour, 800, 600, x, 200);
        const auto readout = textsOf(shapes, "Analog-Eingang Nr. 1: ");
        ASSERT_EQ(readout.size(), 1u) << c.at;
        EXPECT_EQ(readout.front()->text, std::string("Analog-Eingang Nr. 1: ") + c.shown) << c.at;
    }
}

TEST(Course, EarlierRunsWithOtherLabelsAndAnotherUnit)
{
    Settings old = defaultSettings();
    old.analog[0].label = "Alt";
    old.digital[0].label = "Fenster alt";
    Settings other = old;
    other.analog[0].unit = "\xB0" "C";
    other.analog[0].quantity = true;
    other.analog[0].decimals = 1;
    const std::string log = logHeaderRow(old) + row(start, "1.00") + row(start + 10, "1.50") + logHeaderRow(other) +
                            dateText(start + 20) + "," + timeText(start + 20) + ",99.0,1.00,2.00,3.00,1,0,0,0\r\n" +
                            logHeaderRow(defaultSettings()) + row(start + 30, "2.00");
    Settings now = defaultSettings();
    now.analog[0].label = "Neu";
    const auto model = modelOf(now, log);
    const CourseBucket* day = bucketOf(*model, CourseSpan::day, start);
    ASSERT_NE(day, nullptr);
    EXPECT_EQ(day->low[0], 1.0);
    EXPECT_EQ(day->high[0], 2.0) << "the run in \xB0" "C is left out of a chart in volts";
    EXPECT_EQ(day->low[1], 1.0);
    EXPECT_EQ(day->seenOpen & 1, 1) << "its digital states are the same in any run";
    EXPECT_EQ(day->seenClosed & 1, 1);
    const std::vector<platform::UiShape> shapes = courseShapes(*model, CourseSpan::hour, 800, 600, -1, -1);
    EXPECT_EQ(textsOf(shapes, "Neu").size(), 1u) << "this run's labels";
    EXPECT_TRUE(textsOf(shapes, "Alt").empty());
}

TEST(Course, BucketsMatchABruteForceReferenceOnRandomLogs)
{
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::string log = logHeaderRow(defaultSettings());
        struct Row {
            DateValue stamp;
            int milli;  // -1: empty
            bool closed;
        };
        std::vector<Row> rows;
        DateValue t = start;
        for (int i = 0; i < 20000; ++i) {
            t += 1 + static_cast<DateValue>(random() % (seed == 3 ? 600 : 40));
            const int milli = random() % 10 == 0 ? -1 : static_cast<int>(random() % 9990);
            const bool closed = random() % 2;
            rows.push_back({t, milli, closed});
            const std::string value = milli < 0 ? "" : std::to_string(milli / 1000) + "." + std::to_string(milli / 100 % 10) +
                                                          std::to_string(milli / 10 % 10) + std::to_string(milli % 10);
            log += row(t, value, closed ? "1,1,0,0" : "0,1,0,0");
        }
        auto model = std::make_unique<CourseModel>();
        startCourse(*model, defaultSettings());
        // In chunks that cut lines anywhere.
        for (std::size_t at = 0; at < log.size();) {
            const std::size_t size = std::min<std::size_t>(1 + random() % 5000, log.size() - at);
            feedCourse(*model, model->earlier, std::string_view(log).substr(at, size));
            at += size;
        }
        for (std::size_t s = 0; s < courseSpans; ++s) {
            const CourseLevel& level = model->levels[s];
            struct Range {
                double low = 1e9, high = -1e9;
                int open = 0, closed = 0;
            };
            std::map<std::int64_t, Range> reference;
            const std::int64_t newest = rows.back().stamp / level.width;
            for (const Row& r : rows) {
                const std::int64_t index = r.stamp / level.width;
                if (index + static_cast<std::int64_t>(courseBucketCount) <= newest) continue;  // beyond the level
                Range& range = reference[index];
                (r.closed ? range.closed : range.open) = 1;
                if (r.milli < 0) continue;
                range.low = std::min(range.low, r.milli / 1000.0);
                range.high = std::max(range.high, r.milli / 1000.0);
            }
            for (const auto& [index, range] : reference) {
                const CourseBucket* bucket = courseBucket(level, index);
                ASSERT_NE(bucket, nullptr) << s << " " << index;
                EXPECT_EQ(bucket->values & 1, range.low <= range.high ? 1 : 0);
                if (range.low <= range.high) {
                    EXPECT_NEAR(bucket->low[0], range.low, 1e-9) << s << " " << index;
                    EXPECT_NEAR(bucket->high[0], range.high, 1e-9) << s << " " << index;
                }
                EXPECT_EQ(bucket->seenOpen & 1, range.open);
                EXPECT_EQ(bucket->seenClosed & 1, range.closed);
            }
        }
    }
    EXPECT_LT(sizeof(CourseModel), std::size_t{1} << 20) << "fixed memory, whatever the log's length";
}

// The logger with the course window, on the fake toolkit and a fake board.
Settings courseOptions()
{
    Settings settings = defaultSettings();
    StartOptions start;
    const std::vector<std::string_view> options = {"--host", "127.0.0.1", "--log-file", "/tmp/course.csv",
                                                   "--interval", "S10", "--course"};
    EXPECT_EQ(parseCommandLine(options, start, settings), CommandLineAction::run);
    return settings;
}

TEST(CourseWindow, DrawsOnRowsSizesSpansAndReadoutsOnlyAndCloses)
{
    using platform::UiEvent;
    resetFake();
    fake().replies["GETADC 1 \\r\\n"] = "512\r\n";
    fake().fileContent = logHeaderRow(defaultSettings()) + row(start - 600, "1.00") + row(start - 590, "1.10");
    const auto pointer = [](int tick, int x, int y, int pressed) {
        return FakeTimedEvent{tick, UiEvent{platform::uiEventCoursePointer, pressed, x, y}};
    };
    fake().events = {
        pointer(3000, 400, 300, 0),                                         // a readout
        pointer(3100, 400, 301, 0),                                         // the same bucket: no drawing
        pointer(3200, 8 + 86 + 40, 12, 1),                                  // "1 Tag"
        {3300, UiEvent{platform::uiEventCourseSize, 0, 900, 500}},          // a new size
        {3400, UiEvent{platform::uiEventCourseSize, 0, 900, 500}},          // the same: nothing
        {3500, UiEvent{platform::uiEventCourseClose, 0}},                   // the logger goes on
        {25500, UiEvent{platform::uiEventClose, 0}},
    };
    EXPECT_EQ(runLogger(courseOptions()).exitCode, 0);
    EXPECT_GT(tracePosition("openCourse Verlauf - 127.0.0.1"), tracePosition("openWindow"));
    // The first size (the first row came before it), the earlier log read, a readout, a span, a
    // size: five pictures, none after the close.
    EXPECT_EQ(fake().courseDraws, 5);
    EXPECT_EQ(fake().rowTicks.size(), 3u) << "the logger went on after the course window closed";
    EXPECT_FALSE(fake().courseOpen);
}

TEST(CourseWindow, NoneWithoutTheSettingOrADisplay)
{
    for (const bool setting : {false, true}) {
        resetFake();
        fake().windowOpens = setting ? false : true;
        fake().events = {{1000, {platform::uiEventClose, 0}}};
        Settings settings = courseOptions();
        settings.course = setting;
        runLogger(settings);
        EXPECT_EQ(fake().courseDraws, 0);
    }
}

}  // namespace
