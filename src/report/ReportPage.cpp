// Draws the page from the figures alone: the charts come from the buckets, so their size is fixed.
#include "report/ReportPage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "driver/TextCodec.h"
#include "report/AlarmLog.h"
#include "report/ReportText.h"

namespace {

constexpr double plotLeft = 80;
constexpr double plotRight = 988;
constexpr double tickGap = 84;  // the least room between two time ticks, for their labels
constexpr std::size_t labelLimit = 120;

struct Frame {
    double top;
    double bottom;
    int height;
};
constexpr Frame analogFrame{10, 190, 234};
constexpr Frame digitalFrame{12, 80, 122};

// Coordinates to a tenth of a pixel keep the paths short.
void appendCoordinate(std::string& out, double value)
{
    auto tenths = static_cast<std::int64_t>(std::llround(value * 10));
    if (tenths < 0) {
        out += '-';
        tenths = -tenths;
    }
    out += numberText(tenths / 10);
    if (tenths % 10 != 0) {
        out += '.';
        out += static_cast<char>('0' + tenths % 10);
    }
}

std::string coordinate(double value)
{
    std::string text;
    appendCoordinate(text, value);
    return text;
}

// German grouping of a count: 10.000.000
std::string countText(std::int64_t count)
{
    const std::string digits = numberText(count);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && digits[0] != '-' && (digits.size() - i) % 3 == 0) text += '.';
        text += digits[i];
    }
    return text;
}

// UTF-8 text for the page: control characters become '?', and long texts are cut.
std::string htmlText(std::string_view text)
{
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if (++characters > labelLimit) {
            out += "&hellip;";
            break;
        }
        switch (c) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"': out += "&quot;"; continue;
        default: break;
        }
        if (const std::size_t control = controlAt(text, i); control > 0) {
            out += '?';
            i += control - 1;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// An analog input as the page names it and shows its values.
struct AnalogColumn {
    std::string label;  // for the page, as htmlText gives it
    std::string unit;   // "Volt" in the voltage form, else the title's, maybe empty
    bool quantity = false;
    int decimals = 2;  // of its values in the quantity form; the voltage form's usual
};

// With a decimal comma and the unit. In the voltage form whole hundredths as the logger writes
// them, else thousandths; in the quantity form the input's decimals.
std::string valueCell(AnalogValue value, const AnalogColumn& column, int decimals = -1)
{
    if (!column.quantity) {
        if (decimals < 0) decimals = value % (10 * thousandth) == 0 ? 2 : 3;
        return valueText(value, decimals, ',') + "&nbsp;V";
    }
    if (decimals < 0) decimals = column.decimals;
    return valueText(value, decimals, ',') + (column.unit.empty() ? "" : "&nbsp;" + column.unit);
}

struct XAxis {
    std::uint64_t rows = 0;
    std::uint64_t perBucket = 1;
    std::size_t used = 0;

    double at(std::uint64_t row) const
    {
        return plotLeft + (plotRight - plotLeft) * static_cast<double>(row) / static_cast<double>(rows);
    }
    double start(std::size_t bucket) const { return at(bucket * perBucket); }
    double end(std::size_t bucket) const { return at(std::min<std::uint64_t>((bucket + 1) * perBucket, rows)); }
    double centre(std::size_t bucket) const { return (start(bucket) + end(bucket)) / 2; }
};

// Shaded bands as one path each, drawn in a unit high strip that every chart scales to its plot.
struct Bands {
    std::string away;
    std::string gap;
    std::string run;
    std::array<std::string, 8> alarm;  // of each input's chart
};

struct BandWriter {
    std::string& path;
    double from = 0;
    double to = -1;

    void add(double left, double right)
    {
        if (right - left < 2) {
            const double middle = (left + right) / 2;
            left = middle - 1;
            right = middle + 1;
        }
        if (to >= from && left <= to) {
            to = std::max(to, right);
            return;
        }
        flush();
        from = left;
        to = right;
    }
    void flush()
    {
        if (to < from) return;
        path += 'M';
        appendCoordinate(path, from);
        path += " 0h";
        appendCoordinate(path, to - from);
        path += "v1h-";
        appendCoordinate(path, to - from);
        path += 'z';
        to = from - 1;
    }
};

Bands bandsOf(const LogFigures& figures, const XAxis& axis)
{
    Bands bands;
    BandWriter away{bands.away};
    BandWriter gap{bands.gap};
    BandWriter run{bands.run};
    for (std::size_t b = 0; b < axis.used; ++b) {
        const Bucket& bucket = figures.buckets[b];
        if (bucket.awayRows > 0) away.add(axis.start(b), axis.end(b));
        if (bucket.gapBefore) gap.add(axis.start(b) - 1.5, axis.start(b) + 1.5);
        if (bucket.runStart) run.add(axis.start(b) - 1, axis.start(b) + 1);
    }
    away.flush();
    gap.flush();
    run.flush();
    // A silent board's alarm on every chart.
    const std::uint32_t board = std::uint32_t{1} << boardInput;
    for (std::size_t i = 0; i < bands.alarm.size(); ++i) {
        BandWriter alarm{bands.alarm[i]};
        for (std::size_t b = 0; b < axis.used; ++b)
            if ((figures.buckets[b].alarms & ((std::uint32_t{1} << i) | board)) != 0)
                alarm.add(axis.start(b), axis.end(b));
        alarm.flush();
    }
    return bands;
}

// Time ticks at calendar boundaries: seconds, minutes, hours, days, weeks, months or years.
struct TickStep {
    DateValue seconds;  // 0 for calendar months
    int months;
};
constexpr TickStep tickSteps[] = {
    {1, 0}, {2, 0}, {5, 0}, {10, 0}, {15, 0}, {30, 0},           // seconds
    {60, 0}, {120, 0}, {300, 0}, {600, 0}, {900, 0}, {1800, 0},  // minutes
    {3600, 0}, {7200, 0}, {10800, 0}, {21600, 0}, {43200, 0},    // hours
    {86400, 0}, {172800, 0}, {604800, 0},                        // days and a week
    {0, 1}, {0, 2}, {0, 3}, {0, 6},                              // months
    {0, 12}, {0, 24}, {0, 60}, {0, 120}, {0, 240}, {0, 600},     // years
    {0, 1200}, {0, 2400}, {0, 6000}, {0, 12000}};
constexpr DateValue mondayOffset = 3 * 86400;  // 01.01.1970 was a Thursday

std::int64_t monthIndex(DateValue stamp)
{
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{stamp / 86400}}};
    return (static_cast<int>(date.year()) - 1970) * 12 + static_cast<unsigned>(date.month()) - 1;
}

std::int64_t tickKey(DateValue stamp, const TickStep& step)
{
    if (step.months > 0) return monthIndex(stamp) / step.months;
    const DateValue offset = step.seconds == 604800 ? mondayOffset : 0;
    return (stamp + offset) / step.seconds;
}

DateValue keyStart(std::int64_t key, const TickStep& step)
{
    if (step.months > 0) {
        const std::int64_t month = key * step.months;
        const std::chrono::year_month_day first{std::chrono::year{static_cast<int>(1970 + month / 12)},
                                                std::chrono::month{static_cast<unsigned>(month % 12 + 1)},
                                                std::chrono::day{1}};
        return std::chrono::sys_days{first}.time_since_epoch().count() * DateValue{86400};
    }
    const DateValue offset = step.seconds == 604800 ? mondayOffset : 0;
    return std::max<DateValue>(0, key * step.seconds - offset);
}

struct Tick {
    double x;
    std::string label;
    std::string context;  // the date or year under a time of day or a day, when it changed
};

// How often the rows' times cross a boundary of step, in file order.
std::size_t crossings(const LogFigures& figures, const XAxis& axis, const TickStep& step)
{
    std::size_t count = 0;
    std::int64_t previous = tickKey(figures.buckets[0].firstStamp, step);
    for (std::size_t b = 0; b < axis.used; ++b) {
        const std::int64_t key = tickKey(figures.buckets[b].lastStamp, step);
        count += key != previous ? 1 : 0;
        previous = key;
    }
    return count;
}

// The finest step that the rows cross at most about as often as labels fit; on the row axis this
// depends on where the rows lie in time, not on the span alone.
std::vector<Tick> timeTicks(const LogFigures& figures, const XAxis& axis)
{
    std::vector<Tick> ticks;
    if (axis.used == 0) return ticks;
    const auto fits = static_cast<std::size_t>((plotRight - plotLeft) / tickGap);
    const TickStep* chosen = std::find_if(std::begin(tickSteps), std::end(tickSteps) - 1, [&](const TickStep& step) {
        return crossings(figures, axis, step) <= fits;
    });
    const TickStep step = *chosen;
    const char* mask = step.months >= 12       ? "%yyyy"
                       : step.months > 0       ? "%mm.%yyyy"
                       : step.seconds >= 86400 ? "%dd.%mm."
                       : step.seconds >= 60    ? "%hh:%ii"
                                               : "%hh:%ii:%ss";
    const char* contextMask = step.months > 0 ? "" : step.seconds >= 86400 ? "%yyyy" : "%dd.%mm.%yyyy";
    std::string lastContext;
    auto add = [&](double x, DateValue stamp) {
        std::string context = formatDate(stamp, contextMask);
        ticks.push_back({x, formatDate(stamp, mask), context == lastContext ? "" : context});
        lastContext = context;
    };
    add(axis.centre(0), figures.buckets[0].firstStamp);
    std::int64_t previous = tickKey(figures.buckets[0].firstStamp, step);
    for (std::size_t b = 0; b < axis.used; ++b) {
        const std::int64_t key = tickKey(figures.buckets[b].lastStamp, step);
        if (key == previous) continue;
        previous = key;
        const double x = axis.centre(b);
        if (x - ticks.back().x >= tickGap && plotRight - x >= tickGap / 2) add(x, keyStart(key, step));
    }
    return ticks;
}

struct Scale {
    std::int64_t low;
    std::int64_t high;
    std::int64_t step;
};

// At least ten steps of the values' last decimal high.
Scale valueScale(const AnalogFigures& analog, int decimals)
{
    std::int64_t least = 10;
    for (int i = decimals; i < valuePlaces; ++i) least *= 10;
    std::int64_t low = analog.values > 0 ? analog.minimum : 0;
    std::int64_t high = analog.values > 0 ? analog.maximum : 5000 * thousandth;
    if (high - low < least) {
        low -= least / 2;
        high += least / 2;
    }
    std::int64_t step = 1;
    for (std::int64_t decade = 1;; decade *= 10) {
        const std::int64_t choices[] = {decade, 2 * decade, 5 * decade};
        const auto fits = std::find_if(std::begin(choices), std::end(choices),
                                       [&](std::int64_t s) { return (high - low) / s <= 5; });
        if (fits != std::end(choices)) {
            step = *fits;
            break;
        }
    }
    const auto floorTo = [](std::int64_t v, std::int64_t s) { return (v >= 0 ? v : v - s + 1) / s * s; };
    low = floorTo(low, step);
    high = -floorTo(-high, step);
    return {low, high, step};
}

// The bands of the chart of input index 0 to 7: analog 1 to 4, then digital 1 to 4.
void appendBands(std::string& out, const Bands& bands, const Frame& frame, std::size_t input)
{
    const std::string scale = "\" transform=\"matrix(1 0 0 " + coordinate(frame.bottom - frame.top) + " 0 " +
                              coordinate(frame.top) + ")\" d=\"";
    // An alarm first, under the others: its light tint must not hide an absent board's.
    const std::pair<const char*, const std::string*> kinds[] = {
        {"alarm", &bands.alarm[input]}, {"away", &bands.away}, {"gap", &bands.gap}, {"run", &bands.run}};
    for (const auto& [kind, path] : kinds)
        if (!path->empty()) out += std::string("<path class=\"band ") + kind + scale + *path + "\"/>\n";
}

void appendGridLine(std::string& out, double x1, double y1, double x2, double y2)
{
    out += "<line class=\"grid\" x1=\"" + coordinate(x1) + "\" y1=\"" + coordinate(y1) + "\" x2=\"" + coordinate(x2) +
           "\" y2=\"" + coordinate(y2) + "\"/>";
}

// A level across the plot with its label on the left.
void appendLevel(std::string& out, double y, const std::string& label)
{
    appendGridLine(out, plotLeft, y, plotRight, y);
    out += "<text class=\"tick\" text-anchor=\"end\" x=\"" + coordinate(plotLeft - 6) + "\" y=\"" +
           coordinate(y + 4) + "\">" + label + "</text>\n";
}

void appendTimeAxis(std::string& out, const std::vector<Tick>& ticks, const Frame& frame)
{
    for (const Tick& tick : ticks) {
        const std::string x = coordinate(tick.x);
        appendGridLine(out, tick.x, frame.top, tick.x, frame.bottom + 4);
        // A label that would stick out left of the plot starts at its tick instead.
        const std::string anchor = tick.x - plotLeft < tickGap / 2 ? "start" : "middle";
        out += "<text class=\"tick\" text-anchor=\"" + anchor + "\" x=\"" + x + "\" y=\"" +
               coordinate(frame.bottom + 17) + "\">" + tick.label + "</text>";
        if (!tick.context.empty())
            out += "<text class=\"tick\" text-anchor=\"" + anchor + "\" x=\"" + x + "\" y=\"" +
                   coordinate(frame.bottom + 31) + "\">" + tick.context + "</text>";
        out += '\n';
    }
}

void appendFrame(std::string& out, const Frame& frame)
{
    out += "<rect class=\"plot\" x=\"" + coordinate(plotLeft) + "\" y=\"" + coordinate(frame.top) + "\" width=\"" +
           coordinate(plotRight - plotLeft) + "\" height=\"" + coordinate(frame.bottom - frame.top) + "\"/>\n";
}

void appendNoData(std::string& out, const Frame& frame)
{
    out += "<text class=\"empty\" text-anchor=\"middle\" x=\"" + coordinate((plotLeft + plotRight) / 2) + "\" y=\"" +
           coordinate((frame.top + frame.bottom) / 2 + 5) + "\">keine Messwerte</text>\n";
}

// One closed outline per stretch of buckets with values: the maxima left to right, then the
// minima back, so that a column's whole range is drawn and a one-row spike stays visible.
struct Outline {
    std::vector<std::pair<double, double>> upper;
    std::vector<std::pair<double, double>> lower;

    void flush(std::string& path)
    {
        if (upper.empty()) return;
        // A stretch narrower than a mark, such as a row on its own, is widened to one; a lone
        // column is made as high as one, too.
        constexpr double mark = 5;
        const double width = upper.back().first - upper.front().first;
        if (width < mark) {
            const double widen = (mark - width) / 2;
            if (upper.size() == 1) {
                const auto [x, top] = upper[0];
                const double raise = std::max(0.0, (mark - (lower[0].second - top)) / 2);
                upper = {{x - widen, top - raise}, {x + widen, top - raise}};
                lower = {{x - widen, lower[0].second + raise}, {x + widen, lower[0].second + raise}};
            } else {
                upper.insert(upper.begin(), {upper.front().first - widen, upper.front().second});
                upper.emplace_back(upper.back().first + widen, upper.back().second);
                lower.insert(lower.begin(), {lower.front().first - widen, lower.front().second});
                lower.emplace_back(lower.back().first + widen, lower.back().second);
            }
        }
        char command = 'M';
        for (const auto& [x, y] : upper) {
            path += command;
            appendCoordinate(path, x);
            path += ' ';
            appendCoordinate(path, y);
            command = 'L';
        }
        for (auto point = lower.rbegin(); point != lower.rend(); ++point) {
            path += 'L';
            appendCoordinate(path, point->first);
            path += ' ';
            appendCoordinate(path, point->second);
        }
        path += 'z';
        upper.clear();
        lower.clear();
    }
};

std::string analogChart(const LogFigures& figures, std::size_t input, const XAxis& axis, const Bands& bands,
                        const std::vector<Tick>& ticks, const AnalogColumn& column)
{
    const Frame& frame = analogFrame;
    const Scale scale = valueScale(figures.analog[input], column.decimals);
    const auto y = [&](std::int64_t value) {
        return frame.bottom - (frame.bottom - frame.top) * static_cast<double>(value - scale.low) /
                                  static_cast<double>(scale.high - scale.low);
    };
    std::string out = "<svg class=\"chart analog\" viewBox=\"0 0 1000 " + numberText(frame.height) +
                      "\" role=\"img\" aria-label=\"" + column.label +
                      (column.unit.empty() ? "" : " in " + column.unit) + "\">\n";
    appendFrame(out, frame);
    appendBands(out, bands, frame, input);
    // The levels' decimals: as many as the step needs.
    int decimals = valuePlaces;
    for (std::int64_t step = scale.step; decimals > 0 && step % 10 == 0; step /= 10) --decimals;
    for (std::int64_t level = scale.low; level <= scale.high; level += scale.step)
        appendLevel(out, y(level), valueText(level, decimals, ','));
    appendTimeAxis(out, ticks, frame);
    if (figures.analog[input].values == 0) {
        appendNoData(out, frame);
    } else {
        std::string path;
        Outline outline;
        for (std::size_t b = 0; b < axis.used; ++b) {
            const Bucket& bucket = figures.buckets[b];
            if (!hasValues(bucket, input)) {
                outline.flush(path);
                continue;
            }
            outline.upper.emplace_back(axis.centre(b), y(bucket.analogMax[input]));
            outline.lower.emplace_back(axis.centre(b), y(bucket.analogMin[input]));
        }
        outline.flush(path);
        out += "<path class=\"values\" d=\"" + path + "\"/>\n";
    }
    out += "</svg>\n";
    return out;
}

std::string digitalChart(const LogFigures& figures, std::size_t input, const XAxis& axis, const Bands& bands,
                         const std::vector<Tick>& ticks, const std::string& label)
{
    const Frame& frame = digitalFrame;
    const double closedY = frame.top + 10;
    const double openY = frame.bottom - 10;
    std::string out = "<svg class=\"chart digital\" viewBox=\"0 0 1000 " + numberText(frame.height) +
                      "\" role=\"img\" aria-label=\"" + label + ": geschlossen oder offen\">\n";
    appendFrame(out, frame);
    appendBands(out, bands, frame, 4 + input);
    appendLevel(out, closedY, "geschlossen");
    appendLevel(out, openY, "offen");
    appendTimeAxis(out, ticks, frame);
    if (figures.digital[input].values == 0) {
        appendNoData(out, frame);
    } else {
        // Steps: each bucket is a flat stretch at its state, or the full height where it changed.
        const std::uint32_t bit = 1u << input;
        std::string path;
        Outline outline;
        for (std::size_t b = 0; b < axis.used; ++b) {
            const Bucket& bucket = figures.buckets[b];
            const bool closed = (bucket.seenClosed & bit) != 0;
            const bool open = (bucket.seenOpen & bit) != 0;
            if (!closed && !open) {
                outline.flush(path);
                continue;
            }
            const double top = closed ? closedY : openY;
            const double bottom = open ? openY : closedY;
            for (double x : {axis.start(b), axis.end(b)}) {
                outline.upper.emplace_back(x, top);
                outline.lower.emplace_back(x, bottom);
            }
        }
        outline.flush(path);
        out += "<path class=\"states\" d=\"" + path + "\"/>\n";
    }
    out += "</svg>\n";
    return out;
}

std::string row(std::string_view name, const std::string& value, const std::string& note)
{
    return "<tr><th>" + std::string(name) + "</th><td class=\"n\">" + value + "</td><td>" + note + "</td></tr>\n";
}

constexpr const char* noRows = "<p class=\"note\">Keine Messwerte: das Log hat keine Zeilen.</p>\n";

std::string analogTable(const AnalogFigures& analog, const AnalogColumn& column, std::int64_t rows)
{
    if (rows == 0) return noRows;
    if (analog.values == 0)
        return "<p class=\"note\">Keine Messwerte: in keiner Zeile hat das Board geantwortet.</p>\n";
    // The mean with a decimal more than the values.
    const int meanDecimals = column.quantity ? std::min(column.decimals + 1, valuePlaces) : 3;
    return "<table class=\"figures\">\n" +
           row("Minimum", valueCell(analog.minimum, column), "am " + stampText(analog.minStamp)) +
           row("Maximum", valueCell(analog.maximum, column), "am " + stampText(analog.maxStamp)) +
           row("Mittelwert", valueCell(meanValue(analog, meanDecimals), column, meanDecimals),
               "aus " + countText(analog.values) + (analog.values == 1 ? " Messwert" : " Messwerten")) +
           row("Letzter Wert", valueCell(analog.last, column), "am " + stampText(analog.lastStamp)) + "</table>\n";
}

std::string timeShareText(std::int64_t permille) { return shareText(permille, ',') + "&nbsp;% der Zeit"; }

std::string digitalTable(const DigitalFigures& digital, std::int64_t rows)
{
    if (rows == 0) return noRows;
    if (digital.values == 0) return "<p class=\"note\">Keine Messwerte: der Eingang wurde nie gelesen.</p>\n";
    const std::int64_t closed = closedPermille(digital);
    const auto first = [](DateValue stamp) {
        return stamp >= 0 ? "zuerst am " + stampText(stamp) : std::string("nie");
    };
    return "<table class=\"figures\">\n" + row("Geschlossen", timeShareText(closed), first(digital.firstClosedStamp)) +
           row("Offen", timeShareText(1000 - closed), first(digital.firstOpenStamp)) +
           row("Wechsel", countText(digital.changes), "zwischen aufeinanderfolgenden Messwerten") +
           row("Zuletzt", digital.last ? "geschlossen" : "offen", "am " + stampText(digital.lastStamp)) +
           "</table>\n";
}

// The address of a file by its path, relative or whole (a drive letter's too): UTF-8 with
// every byte but letters, digits, "-._~/" and a drive's colon percent-encoded, so that it needs
// no escape in the page either.
std::string fileAddress(const std::string& path)
{
    std::string text = utf8Of(path, isUtf8(path));
    std::replace(text.begin(), text.end(), '\\', '/');
    const bool drive = text.size() > 2 && std::isalpha(static_cast<unsigned char>(text[0])) != 0 && text[1] == ':' &&
                       text[2] == '/';
    std::string address = drive ? "file:///" : text.starts_with('/') ? "file://" : "";
    constexpr char hex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool plain = (c < 0x80 && std::isalnum(c) != 0) || (drive && i == 1) ||
                           std::string_view("-._~/").find(static_cast<char>(c)) != std::string_view::npos;
        if (plain) {
            address += static_cast<char>(c);
        } else {
            address += '%';
            address += hex[c >> 4];
            address += hex[c & 0xF];
        }
    }
    return address;
}

constexpr const char* style = R"(<style>
body{font-family:"Liberation Sans",Arial,Helvetica,sans-serif;color:#222;background:#fff}
body{margin:24px auto;padding:0 16px;max-width:1040px}
h1{font-size:22px;margin:0 0 10px}
h2{font-size:17px;margin:30px 0 6px}
h2 small{font-weight:normal;color:#666}
table{border-collapse:collapse;font-size:14px;margin:6px 0}
th,td{padding:2px 14px 2px 0;text-align:left;vertical-align:top}
th{font-weight:normal;color:#555}
td.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
.facts td{font-weight:bold}
.note,.legend,footer{color:#555;font-size:13px}
.legend i{display:inline-block;width:16px;height:11px;margin:0 5px 0 14px;vertical-align:-1px}
svg.chart{display:block;width:100%;height:auto}
.plot{fill:#fff;stroke:#999;stroke-width:1}
.grid{stroke:#e6e6e6;stroke-width:1}
.tick{font-size:11px;fill:#555}
.empty{font-size:14px;fill:#999}
.values{fill:#1f5fbf;stroke:#1f5fbf;stroke-width:1.4;stroke-linejoin:round;stroke-linecap:round}
.states{fill:#f2b8b0;stroke:#c0392b;stroke-width:1.4;stroke-linejoin:round}
.band.away,.legend .away{fill:#8c8c8c;background:#8c8c8c;opacity:.35}
.band.gap,.legend .gap{fill:#e8a600;background:#e8a600;opacity:.5}
.band.run,.legend .run{fill:#2e8b57;background:#2e8b57;opacity:.7}
)";
constexpr const char* alarmStyle = ".band.alarm,.legend .alarm{fill:#e8453c;background:#e8453c;opacity:.2}\n";

// The alarms listed: enough for any look at a log, few enough to keep the page small.
constexpr std::size_t alarmsListed = 500;

std::string alarmTable(const AlarmLog& log, const std::array<AnalogColumn, 4>& columns)
{
    std::string out = "<section class=\"alarms\">\n<h2>Alarme</h2>\n";
    if (log.alarms.empty()) return out + "<p class=\"note\">Keine Alarme im Alarmlog.</p>\n</section>\n";
    out += "<table class=\"alarms\">\n<tr><th>Eingang</th><th>Beginn</th><th>Ende</th><th>Dauer</th>"
           "<th>Extremwert</th></tr>\n";
    for (std::size_t k = 0; k < log.alarms.size() && k < alarmsListed; ++k) {
        const Alarm& alarm = log.alarms[k];
        const std::string duration = alarm.ended  ? durationText(alarm.end - alarm.start)
                                     : alarm.rows ? "mindestens " + durationText(alarm.lastRowStamp - alarm.start)
                                                  : "&ndash;";
        const std::string extreme =
            alarm.input < 4 && alarm.hasExtreme
                ? (alarm.direction > 0 ? "max. " : "min. ") + valueCell(alarm.extreme, columns[alarm.input])
                : "&ndash;";
        out += "<tr><td>" + htmlText(utf8Of(alarm.name, isUtf8(alarm.name))) + "</td><td>" +
               stampText(alarm.start) + "</td><td>" +
               (alarm.ended ? stampText(alarm.end) : std::string("kein Ende verzeichnet")) + "</td><td class=\"n\">" +
               duration + "</td><td class=\"n\">" + extreme + "</td></tr>\n";
    }
    out += "</table>\n";
    if (log.alarms.size() > alarmsListed)
        out += "<p class=\"note\">und " + countText(static_cast<std::int64_t>(log.alarms.size() - alarmsListed)) +
               " weitere</p>\n";
    return out +
           "<p class=\"note\">Extremwert: der h&ouml;chste Wert des Eingangs im Zeitraum eines Alarms &uuml;ber "
           "seiner Grenze, der niedrigste eines Alarms unter ihr. Ein Alarm ohne Ende dauerte bis zur letzten "
           "Zeile seines Laufs: der Logger wurde w&auml;hrenddessen beendet.</p>\n</section>\n";
}

}  // namespace

std::string renderPage(const LogFigures& figures, const std::vector<std::string>& logNames,
                       const std::string& germanCopy)
{
    // The first few names: thousands of them would outgrow the page's bound.
    constexpr std::size_t namesShown = 3;
    std::string names;
    for (std::size_t i = 0; i < logNames.size() && i < namesShown; ++i)
        names += (i == 0 ? "" : ", ") + htmlText(utf8Of(logNames[i], isUtf8(logNames[i])));
    if (logNames.size() > namesShown)
        names += " und " + countText(static_cast<std::int64_t>(logNames.size() - namesShown)) + " weitere";

    XAxis axis;
    axis.rows = static_cast<std::uint64_t>(figures.rows);
    axis.perBucket = bucketRows(figures);
    axis.used = bucketsUsed(figures);
    const Bands bands = bandsOf(figures, axis);
    const std::vector<Tick> ticks = timeTicks(figures, axis);

    std::string out = "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n<title>Logbuch " +
                      names + "</title>\n" + style + (figures.alarms ? alarmStyle : "") +
                      "</style>\n</head>\n<body>\n<h1>Logbuch " + names + "</h1>\n<table class=\"facts\">\n";
    const std::string span = figures.rows == 0
                                 ? "keine Zeilen"
                                 : stampText(figures.firstStamp) + " bis " + stampText(figures.lastStamp) + " (" +
                                       durationText(figures.lastStamp - figures.firstStamp) + ")";
    out += "<tr><th>Zeitraum</th><td>" + span + "</td></tr>\n";
    out += "<tr><th>L&auml;ufe des Loggers</th><td>" + countText(figures.runs) + "</td></tr>\n";
    out += "<tr><th>Zeilen</th><td>" + countText(figures.rows) + "</td></tr>\n";
    out += "<tr><th>davon ohne Antwort des Boards</th><td>" + countText(figures.awayRows) + "</td></tr>\n";
    out += "<tr><th>L&uuml;cken in der Zeitfolge</th><td>" + countText(figures.gaps) +
           (figures.gaps > 0 ? " (die l&auml;ngste: " + durationText(figures.longestGap) + ")" : "") + "</td></tr>\n";
    out += "<tr><th>&uuml;bersprungene Zeilen</th><td>" + countText(figures.skippedLines) + "</td></tr>\n";
    if (const AlarmLog* alarms = figures.alarms) {
        out += "<tr><th>Alarme</th><td>" + countText(static_cast<std::int64_t>(alarms->alarms.size())) +
               (alarms->unended > 0 ? " (" + countText(alarms->unended) + " ohne Ende)" : "") + "</td></tr>\n";
        out += "<tr><th>&uuml;bersprungene Zeilen des Alarmlogs</th><td>" + countText(alarms->skippedLines) +
               "</td></tr>\n";
    }
    out += "</table>\n";
    if (!germanCopy.empty()) {
        const std::string name = germanCopy.substr(germanCopy.find_last_of("/\\") + 1);
        out += "<p class=\"copy\">Die Zeilen f&uuml;r Excel oder LibreOffice Calc, mit Semikolons und "
               "Dezimalkommas, leer wo das Board nicht antwortete: <a href=\"" +
               fileAddress(germanCopy) + "\">" + htmlText(utf8Of(name, isUtf8(name))) + "</a></p>\n";
    }
    out +=
        "<p class=\"legend\">Hinterlegt:<i class=\"away\"></i>Board ohne Antwort (aus Minimum, Maximum und "
        "Mittelwert herausgenommen)<i class=\"gap\"></i>L&uuml;cke: mehr als doppelter Zeilenabstand<i "
        "class=\"run\"></i>neuer Lauf";
    out += figures.alarms ? "<i class=\"alarm\"></i>Alarm</p>\n" : "</p>\n";

    const auto shown = [&](const std::string& text) { return htmlText(utf8Of(text, figures.titlesUtf8)); };
    std::array<AnalogColumn, 4> columns;
    for (std::size_t i = 0; i < 4; ++i) {
        AnalogColumn& column = columns[i];
        column = {shown(labelOf(figures, i)), "Volt", inQuantityForm(figures, i), 2};
        if (column.quantity) {
            column.unit = shown(unitOf(figures, i));
            column.decimals = decimalsOf(figures.analog[i]);
        }
    }
    if (figures.alarms) out += alarmTable(*figures.alarms, columns);
    for (std::size_t i = 0; i < 4; ++i) {
        const AnalogColumn& column = columns[i];
        out += "<section class=\"input analog\">\n<h2>" + column.label +
               (column.unit.empty() ? "" : " <small>(" + column.unit + ")</small>") + "</h2>\n";
        out += analogChart(figures, i, axis, bands, ticks, column) +
               analogTable(figures.analog[i], column, figures.rows) + "</section>\n";
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string label = shown(labelOf(figures, i + 4));
        out += "<section class=\"input digital\">\n<h2>" + label + " <small>(geschlossen oder offen)</small></h2>\n";
        out += digitalChart(figures, i, axis, bands, ticks, label) + digitalTable(figures.digital[i], figures.rows) +
               "</section>\n";
    }
    out +=
        "<footer><p>Die waagrechte Achse folgt der Reihenfolge der Zeilen in der Datei, nicht der Uhr: "
        "eine zur&uuml;ckgestellte Uhr faltet die Kurve nicht, und eine Pause zwischen zwei L&auml;ufen nimmt "
        "keinen Platz ein. Jede Spalte zeigt Minimum und Maximum ihrer Zeilen. Der Anteil der Zeit z&auml;hlt "
        "jede Zeile mit dem &uuml;blichen Abstand ihres Laufs.</p></footer>\n</body>\n</html>\n";
    return out;
}
