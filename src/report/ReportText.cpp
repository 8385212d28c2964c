// Formats the figures for the page and the summary.
#include "report/ReportText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <iterator>

#include "driver/TextCodec.h"
#include "report/AlarmLog.h"

namespace {

// Rounds a / b half away from zero; b > 0.
std::int64_t roundedQuotient(std::int64_t a, std::int64_t b)
{
    return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
}

void appendField(std::string& out, std::string_view text)
{
    out += '\t';
    // A title's control characters, a NUL among them, would break the line or the field.
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t control = controlAt(text, i);
        out += control > 0 ? ' ' : text[i];
        if (control > 0) i += control - 1;
    }
}

constexpr std::int64_t powerOfTen(int exponent)
{
    std::int64_t power = 1;
    for (int i = 0; i < exponent; ++i) power *= 10;
    return power;
}

}  // namespace

std::string numberText(std::int64_t value)
{
    std::array<char, 24> digits{};
    return std::string(digits.data(), std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr);
}

std::string stampText(DateValue stamp) { return dateText(stamp) + " " + timeText(stamp); }

std::string valueText(AnalogValue value, int decimals, char point)
{
    const std::int64_t units = roundedQuotient(value, powerOfTen(valuePlaces - decimals));
    const std::int64_t magnitude = units < 0 ? -units : units;
    std::string text = units < 0 ? "-" : "";
    const std::int64_t divisor = powerOfTen(decimals);
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

std::string shareText(std::int64_t permille, char point)
{
    return valueText(permille * powerOfTen(valuePlaces - 1), 1, point);
}

AnalogValue meanValue(const AnalogFigures& analog, int decimals)
{
    if (analog.values <= 0) return 0;
    // The sum's magnitude divided by the count bit by bit: the quotient, no larger than the
    // largest value's magnitude, fits 64 bits, and the remainder stays below the count.
    const bool negative = analog.sum.high < 0;
    std::uint64_t high = static_cast<std::uint64_t>(analog.sum.high);
    std::uint64_t low = analog.sum.low;
    if (negative) {
        low = ~low + 1;
        high = ~high + (low == 0 ? 1 : 0);
    }
    const auto count = static_cast<std::uint64_t>(analog.values);
    std::uint64_t quotient = 0;
    std::uint64_t remainder = 0;
    for (int bit = 127; bit >= 0; --bit) {
        remainder = remainder << 1 | ((bit >= 64 ? high >> (bit - 64) : low >> bit) & 1u);
        quotient <<= 1;
        if (remainder >= count) {
            remainder -= count;
            quotient |= 1;
        }
    }
    // Rounded to the decimals, half away from zero: up when the part below them, with the
    // remainder's fraction, is half a step or more.
    const auto step = static_cast<std::uint64_t>(powerOfTen(valuePlaces - decimals));
    const std::uint64_t below = quotient % step;
    const bool up = 2 * below >= step || (2 * below + 1 == step && remainder >= count - remainder);
    const auto magnitude = static_cast<AnalogValue>((quotient / step + (up ? 1 : 0)) * step);
    return negative ? -magnitude : magnitude;
}

std::int64_t closedPermille(const DigitalFigures& digital)
{
    return digital.knownSeconds > 0 ? std::llround(digital.closedSeconds * 1000 / digital.knownSeconds) : -1;
}

std::string utf8Of(std::string_view text, bool utf8) { return utf8 ? std::string(text) : utf8FromLatin1(text); }

std::size_t controlAt(std::string_view text, std::size_t at)
{
    const auto c = static_cast<unsigned char>(text[at]);
    if (c < 0x20 || c == 0x7F) return 1;
    const bool c1 = c == 0xC2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) < 0xA0;
    return c1 ? 2 : 0;
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
    if (const AlarmLog* alarms = figures.alarms)
        out += "alarms\t" + numberText(static_cast<std::int64_t>(alarms->alarms.size())) + '\t' +
               numberText(alarms->unended) + '\t' + numberText(alarms->skippedLines) + '\n';
    out += "from\t" + (figures.rows > 0 ? stampText(figures.firstStamp) : "-") + '\n';
    out += "to\t" + (figures.rows > 0 ? stampText(figures.lastStamp) : "-") + '\n';
    for (std::size_t i = 0; i < 4; ++i) {
        const AnalogFigures& analog = figures.analog[i];
        out += "analog\t" + numberText(static_cast<std::int64_t>(i + 1));
        appendField(out, utf8Of(titleOf(figures, i), figures.titlesUtf8));
        appendField(out, numberText(analog.values));
        const bool any = analog.values > 0;
        const int decimals = inQuantityForm(figures, i) ? decimalsOf(analog) : 3;
        for (AnalogValue value : {analog.minimum, analog.maximum, meanValue(analog, decimals), analog.last})
            appendField(out, any ? valueText(value, decimals, '.') : "-");
        for (DateValue stamp : {analog.minStamp, analog.maxStamp, analog.lastStamp})
            appendField(out, any ? stampText(stamp) : "-");
        out += '\n';
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const DigitalFigures& digital = figures.digital[i];
        out += "digital\t" + numberText(static_cast<std::int64_t>(i + 1));
        appendField(out, utf8Of(titleOf(figures, i + 4), figures.titlesUtf8));
        appendField(out, numberText(digital.values));
        appendField(out, numberText(digital.changes));
        const std::int64_t permille = closedPermille(digital);
        appendField(out, permille >= 0 ? shareText(permille, '.') : "-");
        appendField(out, digital.last >= 0 ? numberText(digital.last) : "-");
        appendField(out, digital.last >= 0 ? stampText(digital.lastStamp) : "-");
        out += '\n';
    }
    return out;
}
