// Reading the log's titles and fields back; apart from the writing, so that the report, which
// only reads, carries no formatting of doubles.
#include "logging/LogFormat.h"

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
