// Reading the log's dates, times, titles and fields back; apart from the writing, so that the
// report, which only reads, carries no formatting of doubles.
#include "logging/LogFormat.h"

#include <chrono>

namespace {

// What a letter's digits write in a row's field, or -1 if the field is not as in the usual row.
int numberOf(const char* row, std::size_t field, char letter)
{
    bool fits = true;
    int number = 0;
    for (std::size_t i = usualRowLayout.fieldAt[field]; i + 1 < usualRowLayout.fieldAt[field + 1]; ++i) {
        fits &= static_cast<std::uint8_t>(row[i] - usualRowLayout.low[i]) <= usualRowLayout.span[i];
        number = usualRowLayout.letter[i] == letter ? number * 10 + (row[i] - '0') : number;
    }
    return fits ? number : -1;
}

}  // namespace

std::int64_t readLogDate(const char* row)
{
    using namespace std::chrono;
    const auto number = [row](char letter) { return numberOf(row, dateField, letter); };
    const year_month_day date{year{number('y')}, month{static_cast<unsigned>(number('m'))},
                              day{static_cast<unsigned>(number('d'))}};
    return number('y') < 1970 || !date.ok() ? -1 : sys_days{date}.time_since_epoch().count() * 86400;
}

int readLogTime(const char* row)
{
    const auto number = [row](char letter) { return numberOf(row, timeField, letter); };
    const int hour = number('h');
    return hour < 0 || hour > 23 ? -1 : hour * 3600 + number('i') * 60 + number('s');
}

ColumnTitle splitColumnTitle(std::string_view title)
{
    const std::size_t open = title.rfind(" [");
    if (open == std::string_view::npos || !title.ends_with(']')) return {title, {}};
    return {title.substr(0, open), title.substr(open + 2, title.size() - open - 3)};
}

AnalogFieldValue parseAnalogField(std::string_view field)
{
    AnalogFieldValue value;
    if (field.empty()) {
        value.kind = AnalogFieldValue::empty;
        return value;
    }
    value.negative = field.front() == '-';
    if (value.negative) field.remove_prefix(1);
    const std::size_t point = field.find('.');
    const std::string_view whole = field.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : field.substr(point + 1);
    if (whole.empty() || (point != std::string_view::npos && fraction.empty()) || whole.size() + fraction.size() > 18)
        return value;
    for (std::string_view part : {whole, fraction}) {
        for (char c : part) {
            if (c < '0' || c > '9') return value;
            value.digits = value.digits * 10 + static_cast<unsigned>(c - '0');
        }
    }
    value.places = static_cast<int>(fraction.size());
    value.kind = AnalogFieldValue::number;
    return value;
}
