// Formats the figures for the page and the summary.
#include "report/ReportText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <iterator>

namespace {

// Rounds a / b half away from zero; b > 0.
std::int64_t roundedQuotient(std::int64_t a, std::int64_t b)
{
    return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
}

void appendField(std::string& out, std::string_view text)
{
    out += '\t';
    // A label's control characters, a NUL among them, would break the line or the field.
    for (char c : text) out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
}

}  // namespace

std::string numberText(std::int64_t value)
{
    std::array<char, 24> digits{};
    return std::string(digits.data(), std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr);
}

std::string stampText(DateValue stamp) { return dateText(stamp) + " " + timeText(stamp); }

std::string milliText(std::int64_t milli, int decimals, char point)
{
    static constexpr std::int64_t scale[] = {1000, 100, 10, 1};
    const std::int64_t units = roundedQuotient(milli, scale[decimals]);
    const std::int64_t magnitude = units < 0 ? -units : units;
    std::string text = units < 0 ? "-" : "";
    std::int64_t divisor = 1;
    for (int i = 0; i < decimals; ++i) divisor *= 10;
    text += numberText(magnitude / divisor);
    if (decimals > 0) {
        std::string fraction = numberText(magnitude % divisor);
        text += point;
        text.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
        text += fraction;
    }
    return text;
}

std::string durationText(DateValue seconds)
{
    struct Unit {
        DateValue seconds;
        const char* name;
    };
    static constexpr Unit units[] = {{86400, " Tage"}, {3600, " h"}, {60, " min"}, {1, " s"}};
    // The two largest units that are not zero say enough; the rest rounds the smaller one.
    for (std::size_t u = 0; u + 1 < std::size(units); ++u) {
        if (seconds < units[u].seconds) continue;
        const DateValue resolution = units[u + 1].seconds;
        seconds = (seconds + resolution / 2) / resolution * resolution;
        break;
    }
    std::string text;
    int shown = 0;
    for (const Unit& unit : units) {
        const DateValue count = seconds / unit.seconds;
        seconds %= unit.seconds;
        if ((count == 0 && shown == 0) || shown == 2) continue;
        if (shown == 1 && count == 0) break;
        if (!text.empty()) text += ' ';
        text += numberText(count);
        text += unit.seconds == 86400 && count == 1 ? " Tag" : unit.name;
        ++shown;
    }
    return text.empty() ? "0 s" : text;
}

std::int64_t meanMilli(const AnalogFigures& analog)
{
    return analog.values > 0 ? roundedQuotient(analog.sumMilli, analog.values) : 0;
}

std::int64_t closedPermille(const DigitalFigures& digital)
{
    return digital.knownSeconds > 0 ? std::llround(digital.closedSeconds * 1000 / digital.knownSeconds) : -1;
}

std::string summaryText(const LogFigures& figures)
{
    std::string out;
    const std::pair<const char*, std::int64_t> counts[] = {{"runs", figures.runs},
                                                           {"rows", figures.rows},
                                                           {"skipped", figures.skippedLines},
                                                           {"away", figures.awayRows},
                                                           {"gaps", figures.gaps}};
    for (const auto& [name, count] : counts) out += std::string(name) + '\t' + numberText(count) + '\n';
    out += "from\t" + (figures.rows > 0 ? stampText(figures.firstStamp) : "-") + '\n';
    out += "to\t" + (figures.rows > 0 ? stampText(figures.lastStamp) : "-") + '\n';
    for (std::size_t i = 0; i < 4; ++i) {
        const AnalogFigures& analog = figures.analog[i];
        out += "analog\t" + numberText(static_cast<std::int64_t>(i + 1));
        appendField(out, labelOf(figures, i));
        appendField(out, numberText(analog.values));
        const bool any = analog.values > 0;
        for (std::int64_t milli : {std::int64_t{analog.minMilli}, std::int64_t{analog.maxMilli}, meanMilli(analog),
                                   std::int64_t{analog.lastMilli}})
            appendField(out, any ? milliText(milli, 3, '.') : "-");
        for (DateValue stamp : {analog.minStamp, analog.maxStamp, analog.lastStamp})
            appendField(out, any ? stampText(stamp) : "-");
        out += '\n';
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const DigitalFigures& digital = figures.digital[i];
        out += "digital\t" + numberText(static_cast<std::int64_t>(i + 1));
        appendField(out, labelOf(figures, i + 4));
        appendField(out, numberText(digital.values));
        appendField(out, numberText(digital.changes));
        const std::int64_t permille = closedPermille(digital);
        appendField(out, permille >= 0 ? milliText(permille * 100, 1, '.') : "-");
        appendField(out, digital.last >= 0 ? numberText(digital.last) : "-");
        appendField(out, digital.last >= 0 ? stampText(digital.lastStamp) : "-");
        out += '\n';
    }
    return out;
}
