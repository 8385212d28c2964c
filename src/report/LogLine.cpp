// Parses any line of the log field by field, without allocating. The reader's loop takes the usual
// row through the shortcut of FixedRow.h instead.
#include "report/LogLine.h"

#include <cstring>

namespace {

LineKind parseHeader(std::string_view line, std::array<std::string_view, 8>& titles)
{
    std::string_view rest = line.substr(logHeaderStart.size());
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const std::size_t comma = rest.find(logSeparator);
        const bool last = i + 1 == titles.size();
        if (last != (comma == std::string_view::npos)) return LineKind::malformed;
        titles[i] = rest.substr(0, comma);
        if (!last) rest.remove_prefix(comma + 1);
    }
    return LineKind::header;
}

}  // namespace

bool analogValueOf(const AnalogFieldValue& field, AnalogValue& value)
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

bool refreshDate(RowCache& cache, const char* text)
{
    const DateValue midnight = readLogDate(text);
    if (midnight < 0) return false;
    std::memcpy(cache.text.data(), text, cache.text.size());
    cache.dayStart = midnight;
    return true;
}

LineKind parseLogLine(std::string_view line, RowCache& cache, LogRow& row, std::array<std::string_view, 8>& titles)
{
    // Date, time and their separators, then those of eight empty fields.
    constexpr std::size_t valuesAt = usualRowLayout.fieldAt[firstAnalogField];
    if (line.size() < valuesAt + logFields - firstAnalogField - 1 || line[valuesAt - 1] != logSeparator ||
        line[usualRowLayout.fieldAt[timeField] - 1] != logSeparator) {
        if (line.starts_with(logHeaderStart)) return parseHeader(line, titles);
        return LineKind::malformed;
    }
    const char* text = line.data();
    const int second = readLogTime(text);
    if (second < 0 || (std::memcmp(cache.text.data(), text, cache.text.size()) != 0 && !refreshDate(cache, text)))
        return LineKind::malformed;
    row.stamp = cache.dayStart + second;

    const char* at = text + valuesAt;
    const char* end = text + line.size();
    std::uint32_t missing = 0;
    row.emptyFields = 0;
    row.places = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto* comma = static_cast<const char*>(std::memchr(at, logSeparator, static_cast<std::size_t>(end - at)));
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
        if (field.kind != AnalogFieldValue::number || !analogValueOf(field, row.analog[i])) return LineKind::malformed;
        const bool voltageZero = field.negativeZero() && field.places == 1;
        row.places |= std::uint32_t{1} << (voltageZero ? 2 : field.places) << 8 * i;
        if (field.negativeZero()) missing |= bit;
    }
    row.knownInputs = 0;
    row.closedInputs = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (at < end && (*at == openCode || *at == closedCode)) {
            row.knownInputs |= 1u << i;
            row.closedInputs |= static_cast<std::uint32_t>(*at++ == closedCode) << i;
        }
        if (i < 3 && (at == end || *at++ != logSeparator)) return LineKind::malformed;
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
    return index < 4 ? fallbackText(*rowOf(&AnalogInput::label), index)
                     : fallbackText(*rowOf(&DigitalInput::label), index % 4);
}
