// Reading the log's titles and fields back; apart from the writing, so that the report, which
// only reads, carries no formatting of doubles.
#include "logging/LogFormat.h"

#include <chrono>

namespace {

// What a letter's digits write in text, or -1 if it has not the shape; unrolled for a known shape.
int numberOf(const char* text, const TextShape& shape, char letter)
{
    bool fits = true;
    int number = 0;
    for (std::size_t i = 0; i < shape.width; ++i) {
        fits &= static_cast<std::uint8_t>(static_cast<std::uint8_t>(text[i]) - shape.low[i]) <= shape.span[i];
        number = shape.letter[i] == letter ? number * 10 + (text[i] - '0') : number;
    }
    return fits ? number : -1;
}

}  // namespace

std::int64_t readLogDate(const char* text)
{
    using namespace std::chrono;
    const int yearNumber = numberOf(text, dateShape, 'y');
    const year_month_day date{year{yearNumber}, month{static_cast<unsigned>(numberOf(text, dateShape, 'm'))},
                              day{static_cast<unsigned>(numberOf(text, dateShape, 'd'))}};
    return yearNumber < 1970 || !date.ok() ? -1 : sys_days{date}.time_since_epoch().count() * 86400;
}

int readLogTime(const char* text)
{
    const int hour = numberOf(text, timeShape, 'h');
    if (hour < 0 || hour > 23) return -1;
    return hour * 3600 + numberOf(text, timeShape, 'i') * 60 + numberOf(text, timeShape, 's');
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
