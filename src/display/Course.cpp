// The course model: each row goes into one bucket per level, so that a row costs the same however
// long the log is; and the picture, laid out from the buckets of the span shown.
#include "display/Course.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "logging/LogFormat.h"
#include "report/LogReader.h"

namespace {

constexpr std::size_t allLevel = 3;
constexpr std::uint8_t analogBits = 0x0F;

// The first input of a chart in the report's colour of values (#1f5fbf), the others apart from it.
constexpr std::array<std::uint32_t, 4> seriesColours = {0xBF5F1F, 0x578B2E, 0x0054D3, 0xAD448E};
constexpr std::uint32_t black = 0x000000;
constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t grid = 0xE6E6E6;
constexpr std::uint32_t axis = 0x808080;
constexpr std::uint32_t alarmLine = 0x0080FF;   // the main window's alarm orange
constexpr std::uint32_t alarmShade = 0xD8D8FF;  // a light red behind the values
constexpr std::uint32_t chosenFill = 0x7F3F1F;
constexpr std::uint32_t choiceFill = 0xE0E0E0;

// The picture's parts, in pixels.
constexpr int choiceX = 8;
constexpr int choiceY = 6;
constexpr int choiceWidth = 80;
constexpr int choiceHeight = 20;
constexpr int choiceStep = 86;
constexpr int plotLeft = 64;
constexpr int plotRightMargin = 16;
constexpr int plotTop = 34;
constexpr int timeAxisHeight = 22;
constexpr int titleHeight = 15;
constexpr int chartGap = 8;
constexpr int stripBlock = 32;  // a label's line, the strip and a gap
constexpr int stripHeight = 14;
constexpr int lineHeight = 14;
constexpr int titleStep = 190;  // between the titles of one chart's inputs
constexpr int charWidth = 7;    // at most about, in the small system font (capitals), for what fits

void resetFeed(CourseFeed& feed)
{
    feed.cache = RowCache{};
    feed.partial.clear();
    feed.taken = 0xFF;
    feed.continuing = 0;
    feed.previousStamp = -1;
    feed.spacing = 0;
}

void merge(CourseBucket& into, const CourseBucket& from)
{
    for (std::size_t i = 0; i < 4; ++i) {
        const auto bit = static_cast<std::uint8_t>(1u << i);
        if (!(from.values & bit)) continue;
        const bool had = into.values & bit;
        into.low[i] = had ? std::min(into.low[i], from.low[i]) : from.low[i];
        into.high[i] = had ? std::max(into.high[i], from.high[i]) : from.high[i];
    }
    // The first value's join is the one that counts.
    into.joined |= from.joined & static_cast<std::uint8_t>(~into.values);
    into.values |= from.values;
    into.seenOpen |= from.seenOpen;
    into.seenClosed |= from.seenClosed;
    into.alarms |= from.alarms;
}

CourseBucket* bucketAt(CourseLevel& level, std::int64_t index)
{
    CourseBucket& bucket = level.buckets[static_cast<std::size_t>(index) % courseBucketCount];
    return bucket.index == index ? &bucket : nullptr;
}

// Neighbours merge pairwise: the level then covers twice the time in the same buckets.
void halve(CourseLevel& level)
{
    std::vector<CourseBucket> old(level.buckets.begin(), level.buckets.end());
    for (CourseBucket& bucket : level.buckets) bucket = CourseBucket{};
    for (std::int64_t index = level.low; index <= level.high; ++index) {
        const CourseBucket& from = old[static_cast<std::size_t>(index) % courseBucketCount];
        if (from.index != index) continue;
        CourseBucket& into = level.buckets[static_cast<std::size_t>(index / 2) % courseBucketCount];
        if (into.index != index / 2) {
            into = from;
            into.index = index / 2;
        } else {
            merge(into, from);
        }
    }
    level.width *= 2;
    level.low /= 2;
    level.high /= 2;
}

// The hour, day and week keep their latest buckets; "alles" widens its buckets to keep every one.
void place(CourseLevel& level, bool widening, DateValue stamp, const CourseBucket& row)
{
    if (widening && level.high >= level.low)
        while (std::max(level.high, stamp / level.width) - std::min(level.low, stamp / level.width) >=
               static_cast<std::int64_t>(courseBucketCount))
            halve(level);
    const std::int64_t index = stamp / level.width;
    CourseBucket& bucket = level.buckets[static_cast<std::size_t>(index) % courseBucketCount];
    if (bucket.index > index) return;  // older than the level keeps
    if (bucket.index < index) {
        bucket = row;
        bucket.index = index;
    } else {
        merge(bucket, row);
    }
    level.low = level.high < level.low ? index : std::min(level.low, index);
    level.high = std::max(level.high, index);
}

void startRun(const CourseModel& model, CourseFeed& feed)
{
    feed.taken = 0xF0;
    for (std::size_t i = 0; i < 4; ++i)
        if (splitColumnTitle(feed.titles[i]).unit == model.headerUnits[i]) feed.taken |= static_cast<std::uint8_t>(1u << i);
    feed.continuing = 0;
    feed.previousStamp = -1;
    feed.spacing = 0;
}

void addRow(CourseModel& model, CourseFeed& feed, const LogRow& row)
{
    const DateValue stamp = row.stamp;
    bool usualStep = false;
    if (feed.previousStamp >= 0 && stamp > feed.previousStamp) {
        const DateValue step = stamp - feed.previousStamp;
        if (feed.spacing == 0 || step < feed.spacing) feed.spacing = step;
        usualStep = step <= 2 * feed.spacing;
    }
    feed.previousStamp = stamp;
    model.first = model.any ? std::min(model.first, stamp) : stamp;
    model.last = model.any ? std::max(model.last, stamp) : stamp;
    model.any = true;

    // An absent board's values and, in a row with silent values, the digital codes that no reply gives.
    std::uint8_t values = 0;
    if (!isAway(row)) {
        values = static_cast<std::uint8_t>(~(row.emptyFields | row.silentInputs) & analogBits);
        if (row.silentInputs == 0) values |= static_cast<std::uint8_t>((row.knownInputs & allInputs) << 4);
    }
    values &= feed.taken;
    CourseBucket one;
    one.values = values;
    one.joined = usualStep ? values & feed.continuing : 0;
    feed.continuing = values;
    if (values == 0) return;
    for (std::size_t i = 0; i < 4; ++i) one.low[i] = one.high[i] = static_cast<double>(row.analog[i]) / 1e6;
    const auto digital = static_cast<std::uint8_t>(values >> 4);
    one.seenClosed = static_cast<std::uint8_t>(row.closedInputs & digital);
    one.seenOpen = static_cast<std::uint8_t>(~row.closedInputs & digital);
    model.everValues |= values;
    for (std::size_t l = 0; l < courseSpans; ++l) place(model.levels[l], l == allLevel, stamp, one);
}

void handleLine(CourseModel& model, CourseFeed& feed, std::string_view line)
{
    if (line.size() > maxLineBytes) return;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    switch (parseLogLine(line, feed.cache, feed.row, feed.titles)) {
    case LineKind::row: addRow(model, feed, feed.row); return;
    case LineKind::header: startRun(model, feed); return;
    case LineKind::malformed:
        // A run that started after a crash mid-row: its header follows the remains on one line.
        if (const std::string_view header = joinedHeader(line);
            !header.empty() && parseLogLine(header, feed.cache, feed.row, feed.titles) == LineKind::header)
            startRun(model, feed);
        else
            feed.continuing = 0;
        return;
    }
}

// 1, 2 or 5 times a power of ten, at least rough.
double niceStep(double rough)
{
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (factor * power >= rough) return factor * power;
    return 10 * power;
}

int decimalsOfStep(double step) { return std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9))); }

platform::UiShape line(int x, int y, int x2, int y2, std::uint32_t colour, int width = 1)
{
    return {platform::UiShapeKind::line, x, y, x2, y2, colour, width, platform::UiAnchor::left, {}};
}

platform::UiShape box(int x, int y, int x2, int y2, std::uint32_t colour)
{
    return {platform::UiShapeKind::box, x, y, x2, y2, colour, 1, platform::UiAnchor::left, {}};
}

platform::UiShape text(int x, int y, std::string words, std::uint32_t colour,
                       platform::UiAnchor anchor = platform::UiAnchor::left)
{
    return {platform::UiShapeKind::text, x, y, x, y, colour, 1, anchor, std::move(words)};
}

// Where the charts stand, and what each shows, top to bottom.
struct Chart {
    bool digital = false;
    std::vector<std::size_t> inputs;  // analog ones share the unit; a strip has one
    int top = 0;                      // of its title line
    int plotTop = 0;
    int plotBottom = 0;
    double low = 0;  // the value axis, on whole ticks
    double high = 1;
    double step = 1;
};

struct Layout {
    CourseView view;
    int left = plotLeft;
    int right = 0;
    int top = plotTop;
    int bottom = 0;
    std::vector<Chart> charts;
};

int xOf(const Layout& layout, double stamp)
{
    const double span = static_cast<double>(std::max<DateValue>(layout.view.end - layout.view.start, 1));
    return layout.left + static_cast<int>(std::lround((stamp - static_cast<double>(layout.view.start)) *
                                                      (layout.right - layout.left) / span));
}

int yOf(const Chart& chart, double value)
{
    return chart.plotBottom - static_cast<int>(std::lround((value - chart.low) * (chart.plotBottom - chart.plotTop) /
                                                           (chart.high - chart.low)));
}

// The value axis over what the span shows of the chart's inputs, on whole ticks about 40 pixels apart.
void settleAxis(const CourseView& view, Chart& chart)
{
    double low = INFINITY;
    double high = -INFINITY;
    for (std::int64_t index = view.firstIndex; index <= view.lastIndex; ++index)
        if (const CourseBucket* bucket = courseBucket(*view.level, index))
            for (const std::size_t i : chart.inputs)
                if (bucket->values & (1u << i)) {
                    low = std::min(low, bucket->low[i]);
                    high = std::max(high, bucket->high[i]);
                }
    if (low > high) low = 0, high = 1;
    if (high - low < 1e-6) {
        const double pad = std::max(std::fabs(low) * 0.05, 0.5);
        low -= pad;
        high += pad;
    }
    const int ticks = std::max(2, (chart.plotBottom - chart.plotTop) / 40);
    chart.step = niceStep((high - low) / ticks);
    chart.low = std::floor(low / chart.step) * chart.step;
    chart.high = std::ceil(high / chart.step) * chart.step;
}

Layout layOut(const CourseModel& model, CourseSpan span, int width, int height)
{
    Layout layout;
    layout.view = courseView(model, span);
    layout.right = std::max(width - plotRightMargin, plotLeft + 10);
    layout.bottom = std::max(height - timeAxisHeight, plotTop + 10);
    // Inputs that share a unit share a chart, in the order of their first input.
    for (std::size_t i = 0; i < 4; ++i) {
        if (!(model.everValues & (1u << i))) continue;
        const auto same = std::ranges::find_if(layout.charts, [&](const Chart& chart) {
            return model.units[chart.inputs.front()] == model.units[i];
        });
        if (same != layout.charts.end()) same->inputs.push_back(i);
        else layout.charts.push_back({false, {i}});
    }
    const std::size_t analogCharts = layout.charts.size();
    for (std::size_t i = 0; i < 4; ++i)
        if (model.everValues & (1u << (4 + i))) layout.charts.push_back({true, {i}});
    const int strips = static_cast<int>(layout.charts.size() - analogCharts);
    const int analogHeight = analogCharts == 0 ? 0
                                               : (layout.bottom - layout.top - strips * stripBlock) /
                                                     static_cast<int>(analogCharts);
    int y = layout.top;
    for (Chart& chart : layout.charts) {
        chart.top = y;
        chart.plotTop = y + (chart.digital ? lineHeight : titleHeight);
        chart.plotBottom = chart.digital ? chart.plotTop + stripHeight
                                         : std::max(y + analogHeight - chartGap, chart.plotTop + 10);
        y = chart.digital ? y + stripBlock : y + analogHeight;
        if (!chart.digital) settleAxis(layout.view, chart);
    }
    return layout;
}

}  // namespace

namespace {

// Time ticks at whole local minutes, hours, days or weeks, at least 90 pixels apart.
DateValue timeStep(const Layout& layout)
{
    static constexpr DateValue steps[] = {60,    120,   300,    600,    900,    1800,    3600,    7200,    10800,
                                          21600, 43200, 86400,  172800, 604800, 1209600, 2592000, 7776000, 31536000};
    const double perPixel = static_cast<double>(layout.view.end - layout.view.start) / (layout.right - layout.left);
    for (const DateValue step : steps)
        if (static_cast<double>(step) / perPixel >= 90) return step;
    return steps[std::size(steps) - 1];
}

void drawTimeAxis(const Layout& layout, std::vector<platform::UiShape>& shapes)
{
    const DateValue step = timeStep(layout);
    const DateValue first = (layout.view.start + step - 1) / step * step;
    for (DateValue tick = first; tick <= layout.view.end; tick += step) {
        const int x = xOf(layout, static_cast<double>(tick));
        shapes.push_back(line(x, layout.top, x, layout.bottom, grid));
        const bool midnight = tick % 86400 == 0;
        const char* form = step >= 2592000 ? "%dd.%mm.%yyyy" : step >= 86400 || midnight ? "%dd.%mm." : "%hh:%ii";
        shapes.push_back(text(x, layout.bottom + 4, formatDate(tick, form), black, platform::UiAnchor::centre));
    }
    shapes.push_back(line(layout.left, layout.bottom, layout.right, layout.bottom, axis));
}

std::string title(const CourseModel& model, std::size_t input)
{
    return model.units[input].empty() ? model.labels[input] : model.labels[input] + " [" + model.units[input] + "]";
}

void drawAnalogChart(const CourseModel& model, const Layout& layout, const Chart& chart,
                     std::vector<platform::UiShape>& shapes)
{
    const CourseView& view = layout.view;
    std::uint16_t alarmBits = 0;
    for (const std::size_t i : chart.inputs) alarmBits |= static_cast<std::uint16_t>(1u << i);
    // Where an alarm of the chart's inputs was on, behind everything.
    for (std::int64_t index = view.firstIndex; index <= view.lastIndex; ++index)
        if (const CourseBucket* bucket = courseBucket(*view.level, index); bucket && (bucket->alarms & alarmBits))
            shapes.push_back(box(xOf(layout, static_cast<double>(index * view.level->width)), chart.plotTop,
                                 std::max(xOf(layout, static_cast<double>((index + 1) * view.level->width)),
                                          xOf(layout, static_cast<double>(index * view.level->width)) + 1),
                                 chart.plotBottom, alarmShade));
    const int decimals = decimalsOfStep(chart.step);
    for (double tick = chart.low; tick <= chart.high + chart.step / 2; tick += chart.step) {
        const int y = yOf(chart, tick);
        shapes.push_back(line(layout.left, y, layout.right, y, grid));
        shapes.push_back(text(layout.left - 4, y - 6, germanNumber(tick, decimals), black, platform::UiAnchor::right));
    }
    shapes.push_back(line(layout.left, chart.plotTop, layout.left, chart.plotBottom, axis));
    for (std::size_t k = 0; k < chart.inputs.size(); ++k) {
        const std::size_t i = chart.inputs[k];
        const std::uint32_t colour = seriesColours[k];
        const int step = std::min(titleStep, (layout.right - layout.left) / static_cast<int>(chart.inputs.size()));
        shapes.push_back(text(layout.left + static_cast<int>(k) * step, chart.top, title(model, i), colour));
        // Limits as dashes, where they fall within the axis.
        for (const std::optional<double>& limit : {model.above[i], model.below[i]}) {
            if (!limit || *limit < chart.low || *limit > chart.high) continue;
            const int y = yOf(chart, *limit);
            for (int x = layout.left; x < layout.right; x += 10)
                shapes.push_back(line(x, y, std::min(x + 5, layout.right), y, alarmLine));
        }
        const auto bit = static_cast<std::uint8_t>(1u << i);
        int lastX = 0;
        int lastY = 0;
        bool have = false;
        for (std::int64_t index = view.firstIndex; index <= view.lastIndex; ++index) {
            const CourseBucket* bucket = courseBucket(*view.level, index);
            if (!bucket || !(bucket->values & bit)) continue;
            const int x = xOf(layout, (static_cast<double>(index) + 0.5) * static_cast<double>(view.level->width));
            const int top = yOf(chart, bucket->high[i]);
            const int bottom = yOf(chart, bucket->low[i]);
            const int middle = (top + bottom) / 2;
            if (have && (bucket->joined & bit)) shapes.push_back(line(lastX, lastY, x, middle, colour, 2));
            // A lone value that nothing joins still shows, as a short mark.
            if (bottom - top >= 1 || !(bucket->joined & bit)) shapes.push_back(line(x, top - 1, x, bottom + 1, colour, 2));
            lastX = x;
            lastY = middle;
            have = true;
        }
    }
}

void drawStrip(const CourseModel& model, const Layout& layout, const Chart& chart,
               std::vector<platform::UiShape>& shapes)
{
    const std::size_t d = chart.inputs.front();
    const CourseView& view = layout.view;
    shapes.push_back(text(layout.left, chart.top, model.labels[4 + d] + ":", black));
    // The two texts at the strip's end, out of the readout's way at most pointers.
    const int closedWidth = (charWidth + 1) * static_cast<int>(model.closedTexts[d].size());
    shapes.push_back(text(layout.right - closedWidth - 12, chart.top, model.openTexts[d], model.openColour,
                          platform::UiAnchor::right));
    shapes.push_back(text(layout.right, chart.top, model.closedTexts[d], model.closedColour, platform::UiAnchor::right));
    const auto bit = static_cast<std::uint8_t>(1u << (4 + d));
    // Stretches of one state: 1 open, 2 closed, 3 both within a bucket; each ends where the next
    // value starts, if that one continues it, else at its own bucket's end.
    struct Stretch {
        int state;
        int x;
        int x2;
    };
    std::vector<Stretch> stretches;
    for (std::int64_t index = view.firstIndex; index <= view.lastIndex; ++index) {
        const CourseBucket* bucket = courseBucket(*view.level, index);
        if (!bucket || !(bucket->values & bit)) continue;
        const int state = ((bucket->seenOpen >> d) & 1) | ((bucket->seenClosed >> d) & 1) << 1;
        const int x = xOf(layout, static_cast<double>(index * view.level->width));
        const int x2 = std::max(xOf(layout, static_cast<double>((index + 1) * view.level->width)), x + 1);
        const bool joined = !stretches.empty() && (bucket->joined & bit);
        if (joined) stretches.back().x2 = std::max(stretches.back().x2, x);
        if (joined && stretches.back().state == state) stretches.back().x2 = x2;
        else stretches.push_back({state, x, x2});
    }
    const int middle = (chart.plotTop + chart.plotBottom) / 2;
    for (const Stretch& stretch : stretches) {
        const bool both = stretch.state == 3;
        if (stretch.state & 2)
            shapes.push_back(box(stretch.x, chart.plotTop, stretch.x2, both ? middle : chart.plotBottom, model.closedColour));
        if (stretch.state & 1)
            shapes.push_back(box(stretch.x, both ? middle : chart.plotTop, stretch.x2, chart.plotBottom, model.openColour));
        const std::string& words = stretch.state == 2 ? model.closedTexts[d] : model.openTexts[d];
        if (!both && stretch.x2 - stretch.x >= charWidth * static_cast<int>(words.size()) + 6)
            shapes.push_back(text(stretch.x + 3, chart.plotTop, words, white));
    }
}

// The values of the bucket, as one line: "2,50 Volt", "2,48 bis 2,53 Volt", or "--".
std::string valueText(const CourseModel& model, const CourseBucket* bucket, std::size_t i)
{
    if (!bucket || !(bucket->values & (1u << i))) return "--";
    const int decimals = model.decimals[i];
    const std::string low = germanNumber(bucket->low[i], decimals);
    const std::string high = germanNumber(bucket->high[i], decimals);
    return (low == high ? low : low + " bis " + high) + (model.units[i].empty() ? "" : " " + model.units[i]);
}

std::string stateText(const CourseModel& model, const CourseBucket* bucket, std::size_t d)
{
    if (!bucket || !(bucket->values & (1u << (4 + d)))) return "--";
    const bool open = (bucket->seenOpen >> d) & 1;
    const bool closed = (bucket->seenClosed >> d) & 1;
    return open && closed ? model.openTexts[d] + " und " + model.closedTexts[d]
                          : closed ? model.closedTexts[d] : model.openTexts[d];
}

bool inPlot(const Layout& layout, int x, int y)
{
    return x >= layout.left && x < layout.right && y >= layout.top && y < layout.bottom &&
           layout.view.lastIndex >= layout.view.firstIndex;
}

std::int64_t indexAt(const Layout& layout, int x)
{
    const double stamp = static_cast<double>(layout.view.start) +
                         (x - layout.left + 0.5) * static_cast<double>(layout.view.end - layout.view.start) /
                             (layout.right - layout.left);
    return std::clamp(static_cast<std::int64_t>(std::floor(stamp / static_cast<double>(layout.view.level->width))),
                      layout.view.firstIndex, layout.view.lastIndex);
}

// The bucket whose value of the input the readout at index shows: its own, else the nearer of the
// two that a line joins across it, else one within a few pixels; none in a gap.
const CourseBucket* readoutBucket(const Layout& layout, std::int64_t index, std::uint8_t bit)
{
    const CourseView& view = layout.view;
    const auto valued = [&](std::int64_t at) {
        const CourseBucket* bucket = courseBucket(*view.level, at);
        return bucket && (bucket->values & bit) ? bucket : nullptr;
    };
    std::int64_t before = index;
    while (before >= view.firstIndex && !valued(before)) --before;
    if (before == index) return valued(index);
    std::int64_t after = index + 1;
    while (after <= view.lastIndex && !valued(after)) ++after;
    const bool hasBefore = before >= view.firstIndex;
    const bool hasAfter = after <= view.lastIndex;
    const bool nearerBefore = hasBefore && (!hasAfter || index - before <= after - index);
    if (hasBefore && hasAfter && (valued(after)->joined & bit)) return valued(nearerBefore ? before : after);
    const std::int64_t near = 1 + 3 * (view.lastIndex - view.firstIndex + 1) / std::max(layout.right - layout.left, 1);
    if (nearerBefore && index - before <= near) return valued(before);
    if (hasAfter && !nearerBefore && after - index <= near) return valued(after);
    return nullptr;
}

void drawReadout(const CourseModel& model, const Layout& layout, int width, int x,
                 std::vector<platform::UiShape>& shapes)
{
    const std::int64_t index = indexAt(layout, x);
    const auto bucket = [&](std::size_t input) { return readoutBucket(layout, index, static_cast<std::uint8_t>(1u << input)); };
    shapes.push_back(line(x, layout.top, x, layout.bottom, axis));
    shapes.push_back(text(width - 8, choiceY + 3, formatDate(index * layout.view.level->width, "%dd.%mm.%yyyy %hh:%ii:%ss"),
                          black, platform::UiAnchor::right));
    // Beside the pointer, on the side with more room.
    const bool right = x < (layout.left + layout.right) / 2;
    const int at = right ? x + 6 : x - 6;
    // On white, over whatever the chart has there.
    const auto put = [&](int y, std::string words, std::uint32_t colour) {
        const int room = charWidth * static_cast<int>(words.size()) + 4;
        const int from = right ? at - 2 : at - room + 2;
        shapes.push_back(box(from, y, from + room, y + lineHeight - 1, white));
        shapes.push_back(text(at, y, std::move(words), colour, right ? platform::UiAnchor::left : platform::UiAnchor::right));
    };
    for (const Chart& chart : layout.charts) {
        if (chart.digital) {
            put(chart.top, stateText(model, bucket(4 + chart.inputs.front()), chart.inputs.front()), black);
            continue;
        }
        for (std::size_t k = 0; k < chart.inputs.size(); ++k) {
            const std::size_t i = chart.inputs[k];
            put(chart.plotTop + 2 + static_cast<int>(k) * lineHeight, model.labels[i] + ": " + valueText(model, bucket(i), i),
                seriesColours[k]);
        }
    }
}

}  // namespace

void startCourse(CourseModel& model, const Settings& settings)
{
    for (std::size_t i = 0; i < 4; ++i) {
        const AnalogInput& analog = settings.analog[i];
        model.labels[i] = analog.label;
        model.labels[4 + i] = settings.digital[i].label;
        model.units[i] = analog.unit;
        model.headerUnits[i] = analog.quantity ? analog.unit : "";
        model.decimals[i] = analog.quantity ? analog.decimals : 2;
        model.openTexts[i] = settings.digital[i].openText;
        model.closedTexts[i] = settings.digital[i].closedText;
        model.above[i] = isGiven(settings, &AnalogInput::alarmAbove, i) ? std::optional(analog.alarmAbove) : std::nullopt;
        model.below[i] = isGiven(settings, &AnalogInput::alarmBelow, i) ? std::optional(analog.alarmBelow) : std::nullopt;
    }
    model.everValues = 0;
    model.any = false;
    model.first = model.last = 0;
    for (std::size_t l = 0; l < courseSpans; ++l) {
        CourseLevel& level = model.levels[l];
        for (CourseBucket& bucket : level.buckets) bucket = CourseBucket{};
        level.width = l == allLevel ? 1 : courseWidths[l];
        level.low = 0;
        level.high = -1;
    }
    resetFeed(model.earlier);
    resetFeed(model.live);
    feedCourse(model, model.live, logHeaderRow(settings));
}

void feedCourse(CourseModel& model, CourseFeed& feed, std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            // Beyond the longest line the rest is not kept: the line is skipped at its end.
            feed.partial.append(bytes.substr(0, std::min(bytes.size(), maxLineBytes + 1 - std::min(feed.partial.size(), maxLineBytes + 1))));
            return;
        }
        if (feed.partial.empty()) {
            handleLine(model, feed, bytes.substr(0, end));
        } else {
            feed.partial.append(bytes.substr(0, std::min(end, maxLineBytes + 1)));
            handleLine(model, feed, feed.partial);
            feed.partial.clear();
        }
        bytes.remove_prefix(end + 1);
    }
}

void markCourseAlarms(CourseModel& model, DateValue stamp, std::uint16_t alarms)
{
    for (CourseLevel& level : model.levels)
        if (CourseBucket* bucket = bucketAt(level, stamp / level.width)) bucket->alarms |= alarms;
}

CourseSpan defaultCourseSpan(const CourseModel& model)
{
    const DateValue length = model.last - model.first;
    for (std::size_t s = 0; s < courseSpanSeconds.size(); ++s)
        if (length < courseSpanSeconds[s]) return static_cast<CourseSpan>(s);
    return CourseSpan::week;
}

CourseView courseView(const CourseModel& model, CourseSpan span)
{
    const auto s = static_cast<std::size_t>(span);
    const CourseLevel& level = model.levels[s];
    CourseView view;
    view.level = &level;
    if (level.high < level.low) return view;
    view.lastIndex = level.high;
    view.firstIndex = s == allLevel ? level.low : level.high - courseSpanSeconds[s] / level.width + 1;
    view.start = view.firstIndex * level.width;
    view.end = (view.lastIndex + 1) * level.width;
    return view;
}

const CourseBucket* courseBucket(const CourseLevel& level, std::int64_t index)
{
    return bucketAt(const_cast<CourseLevel&>(level), index);
}

std::optional<CourseSpan> courseSpanAt(int x, int y)
{
    if (y < choiceY || y >= choiceY + choiceHeight || x < choiceX) return std::nullopt;
    const int choice = (x - choiceX) / choiceStep;
    if (choice >= static_cast<int>(courseSpans) || (x - choiceX) % choiceStep >= choiceWidth) return std::nullopt;
    return static_cast<CourseSpan>(choice);
}

std::int64_t courseReadoutIndex(const CourseModel& model, CourseSpan span, int width, int height, int x, int y)
{
    Layout layout;
    layout.view = courseView(model, span);
    layout.right = std::max(width - plotRightMargin, plotLeft + 10);
    layout.bottom = std::max(height - timeAxisHeight, plotTop + 10);
    return inPlot(layout, x, y) ? indexAt(layout, x) : -1;
}

std::vector<platform::UiShape> courseShapes(const CourseModel& model, CourseSpan span, int width, int height,
                                            int pointerX, int pointerY)
{
    std::vector<platform::UiShape> shapes;
    for (std::size_t s = 0; s < courseSpans; ++s) {
        const int x = choiceX + static_cast<int>(s) * choiceStep;
        const bool chosen = static_cast<CourseSpan>(s) == span;
        shapes.push_back(box(x, choiceY, x + choiceWidth, choiceY + choiceHeight, chosen ? chosenFill : choiceFill));
        shapes.push_back(text(x + choiceWidth / 2, choiceY + 3, courseSpanNames[s], chosen ? white : black,
                              platform::UiAnchor::centre));
    }
    const Layout layout = layOut(model, span, width, height);
    if (layout.charts.empty() || layout.view.lastIndex < layout.view.firstIndex) {
        shapes.push_back(text(width / 2, height / 2, "Noch keine Messwerte", black, platform::UiAnchor::centre));
        return shapes;
    }
    drawTimeAxis(layout, shapes);
    for (const Chart& chart : layout.charts) {
        if (chart.digital) drawStrip(model, layout, chart, shapes);
        else drawAnalogChart(model, layout, chart, shapes);
    }
    if (inPlot(layout, pointerX, pointerY)) drawReadout(model, layout, width, pointerX, shapes);
    return shapes;
}

std::string germanNumber(double value, int decimals)
{
    std::array<char, 64> buffer{};
    // No minus before a zero that the rounding leaves.
    const double scale = std::pow(10.0, decimals);
    if (std::round(value * scale) == 0) value = 0;
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, decimals);
    if (error != std::errc{}) return "?";
    std::string number(buffer.data(), end);
    std::ranges::replace(number, '.', ',');
    return number;
}
