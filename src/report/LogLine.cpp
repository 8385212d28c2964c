// Parses any line of the log field by field, without allocating. The reader's loop takes the usual
// row through the shortcut of FixedRow.h instead.
#include "report/LogLine.h"

#include <chrono>
#include <cstring>

namespace {

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

// A number as written to millionths; false for one that the logger cannot write, with more than
// six decimals or of 10^12 or more.
bool valueOf(const AnalogFieldValue& field, AnalogValue& value)
{
    static constexpr std::uint64_t powers[] = {1, 10, 100, 1'000, 10'000, 100'000, 1'000'000};
    constexpr std::uint64_t bound = 1'000'000'000'000'000'000;  // 10^12 in millionths
    if (field.places > valuePlaces) return false;
    const std::uint64_t scale = powers[valuePlaces - field.places];
    if (field.digits >= bound / scale) return false;
    const auto magnitude = static_cast<AnalogValue>(field.digits * scale);
    value = field.negative ? -magnitude : magnitude;
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

LineKind parseHeader(std::string_view line, std::array<std::string_view, 8>& titles)
{
    std::string_view rest = line.substr(logHeaderStart.size());
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const std::size_t comma = rest.find(',');
        const bool last = i + 1 == titles.size();
        if (last != (comma == std::string_view::npos)) return LineKind::malformed;
        titles[i] = rest.substr(0, comma);
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

LineKind parseLogLine(std::string_view line, RowCache& cache, LogRow& row, std::array<std::string_view, 8>& titles)
{
    // Date, time and their commas take 20 bytes; the eight fields, all of them empty, 7 more.
    if (line.size() < 27 || line[10] != ',' || line[19] != ',') {
        if (line.starts_with(logHeaderStart)) return parseHeader(line, titles);
        return LineKind::malformed;
    }
    const char* text = line.data();
    if (!parseStamp(text, cache, row.stamp)) return LineKind::malformed;

    const char* at = text + 20;
    const char* end = text + line.size();
    std::uint32_t missing = 0;
    row.emptyFields = 0;
    row.places = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto* comma = static_cast<const char*>(std::memchr(at, ',', static_cast<std::size_t>(end - at)));
        if (!comma) return LineKind::malformed;
        const AnalogFieldValue field = parseAnalogField(std::string_view(at, static_cast<std::size_t>(comma - at)));
        at = comma + 1;
        const auto bit = std::uint32_t{1} << i;
        row.analog[i] = 0;
        if (field.kind == AnalogFieldValue::empty) {
            row.emptyFields |= bit;
            missing |= bit;
            continue;
        }
        if (field.kind != AnalogFieldValue::number || !valueOf(field, row.analog[i])) return LineKind::malformed;
        const bool voltageZero = field.negativeZero() && field.places == 1;
        row.places |= std::uint32_t{1} << (voltageZero ? 2 : field.places) << 8 * i;
        if (field.negativeZero()) missing |= bit;
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
    row.silentInputs = silentInputs(missing, row.knownInputs, row.closedInputs);
    return LineKind::row;
}

std::string_view joinedHeader(std::string_view line)
{
    const std::size_t start = line.find(logHeaderStart);
    return start == std::string_view::npos || start == 0 ? std::string_view{} : line.substr(start);
}

std::string defaultLabel(std::size_t index)
{
    const char number = static_cast<char>('1' + index % 4);
    return std::string(index < 4 ? "Analog-Eingang Nr. " : "Digital-Eingang Nr. ") + number;
}
