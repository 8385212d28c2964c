// Parses any line of the log field by field, without allocating. The reader's loop takes the usual
// row through the shortcut of FixedRow.h instead.
#include "report/LogLine.h"

#include <charconv>
#include <chrono>
#include <cstring>


namespace {

constexpr std::string_view headerStart = "Datum,Uhrzeit,";

// Two decimal digits, or -1.
int twoDigits(const char* text)
{
    const unsigned high = static_cast<unsigned char>(text[0]) - unsigned{'0'};
    const unsigned low = static_cast<unsigned char>(text[1]) - unsigned{'0'};
    return high < 10 && low < 10 ? static_cast<int>(high * 10 + low) : -1;
}

// "dd.mm.yyyy" to days since 1970-01-01, or -1 for a text that names no real date. The logger
// writes 00.00.0000 for a clock before 1970, so earlier years are refused with it.
std::int64_t dayNumber(const char* text)
{
    if (text[2] != '.' || text[5] != '.') return -1;
    const int day = twoDigits(text);
    const int month = twoDigits(text + 3);
    const int century = twoDigits(text + 6);
    const int yearOfCentury = twoDigits(text + 8);
    if (day < 0 || month < 0 || century < 0 || yearOfCentury < 0) return -1;
    const int year = century * 100 + yearOfCentury;
    if (year < 1970) return -1;
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) return -1;
    return std::chrono::sys_days{date}.time_since_epoch().count();
}

// "hh:mm:ss" to seconds of the day, or -1.
int secondOfDay(const char* text)
{
    if (text[2] != ':' || text[5] != ':') return -1;
    const int hour = twoDigits(text);
    const int minute = twoDigits(text + 3);
    const int second = twoDigits(text + 6);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return -1;
    return hour * 3600 + minute * 60 + second;
}

// An analog text up to its comma: an optional minus, digits, and a point with one to three
// digits; the logger rounds to three decimals before it cuts the text. Moves at past the comma.
bool parseAnalog(const char*& at, const char* end, std::int32_t& milli, bool& negativeZero)
{
    const char* digits = at;
    const bool negative = digits < end && *digits == '-';
    if (negative) ++digits;
    unsigned whole = 0;
    auto [afterWhole, wholeError] = std::from_chars(digits, end, whole);
    if (wholeError != std::errc{} || whole > 999'999) return false;
    const char* stop = afterWhole;
    unsigned fraction = 0;
    if (stop < end && *stop == '.') {
        auto [afterFraction, fractionError] = std::from_chars(stop + 1, end, fraction);
        const auto places = afterFraction - (stop + 1);
        if (fractionError != std::errc{} || places > 3) return false;
        fraction *= places == 1 ? 100 : places == 2 ? 10 : 1;
        stop = afterFraction;
    }
    if (stop == end || *stop != ',') return false;
    const auto magnitude = static_cast<std::int32_t>(whole * 1000 + fraction);
    milli = negative ? -magnitude : magnitude;
    negativeZero = negative && magnitude == 0;
    at = stop + 1;
    return true;
}

// Date and time, the date through the cache; false if they name no real moment.
bool parseStamp(const char* text, RowCache& cache, DateValue& stamp)
{
    if (std::memcmp(cache.text.data(), text, cache.text.size()) != 0 && !refreshDate(cache, text)) return false;
    const int second = secondOfDay(text + 11);
    stamp = cache.dayStart + second;
    return second >= 0;
}

LineKind parseHeader(std::string_view line, std::array<std::string_view, 8>& labels)
{
    std::string_view rest = line.substr(headerStart.size());
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const std::size_t comma = rest.find(',');
        const bool last = i + 1 == labels.size();
        if (last != (comma == std::string_view::npos)) return LineKind::malformed;
        labels[i] = rest.substr(0, comma);
        if (!last) rest.remove_prefix(comma + 1);
    }
    return LineKind::header;
}

}  // namespace

bool refreshDate(RowCache& cache, const char* text)
{
    const std::int64_t day = dayNumber(text);
    if (day < 0) return false;
    std::memcpy(cache.text.data(), text, cache.text.size());
    cache.dayStart = day * 86400;
    return true;
}

LineKind parseLogLine(std::string_view line, RowCache& cache, LogRow& row, std::array<std::string_view, 8>& labels)
{
    // Date, time and their commas take 20 bytes; the eight values at least 15 more.
    if (line.size() < 35 || line[10] != ',' || line[19] != ',') {
        if (line.starts_with(headerStart)) return parseHeader(line, labels);
        return LineKind::malformed;
    }
    const char* text = line.data();
    if (!parseStamp(text, cache, row.stamp)) return LineKind::malformed;

    const char* at = text + 20;
    const char* end = text + line.size();
    std::uint32_t negativeZeros = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        bool negativeZero = false;
        if (!parseAnalog(at, end, row.analogMilli[i], negativeZero)) return LineKind::malformed;
        negativeZeros |= static_cast<std::uint32_t>(negativeZero) << i;
    }
    row.knownInputs = 0;
    row.closedInputs = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (at < end && (*at == '0' || *at == '1')) {
            row.knownInputs |= 1u << i;
            row.closedInputs |= static_cast<std::uint32_t>(*at++ - '0') << i;
        }
        if (i < 3) {
            if (at == end || *at != ',') return LineKind::malformed;
            ++at;
        }
    }
    if (at != end) return LineKind::malformed;
    row.silentInputs = silentInputs(negativeZeros, row.knownInputs, row.closedInputs);
    return LineKind::row;
}

std::string_view joinedHeader(std::string_view line)
{
    const std::size_t start = line.find(headerStart);
    return start == std::string_view::npos || start == 0 ? std::string_view{} : line.substr(start);
}

std::string defaultLabel(std::size_t index)
{
    const char number = static_cast<char>('1' + index % 4);
    return std::string(index < 4 ? "Analog-Eingang Nr. " : "Digital-Eingang Nr. ") + number;
}
