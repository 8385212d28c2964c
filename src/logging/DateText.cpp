// The date and time texts made from date values.
#include "logging/DateText.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstddef>

#include "logging/LogFormat.h"

namespace {

constexpr DateValue secondsPerDay = 86400;

struct DateFields {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The calendar types reach the year 32767; later values are refused like negative ones.
constexpr DateValue lastDateValue =
    (std::chrono::sys_days{std::chrono::year{32767} / 12 / 31}.time_since_epoch().count() + 1) *
        secondsPerDay -
    1;

DateFields splitDateValue(DateValue value)
{
    DateFields fields;
    if (value < 0 || value > lastDateValue) return fields;
    DateValue secondOfDay = value % secondsPerDay;
    std::chrono::sys_days day{std::chrono::days{value / secondsPerDay}};
    std::chrono::year_month_day date{day};
    fields.year = static_cast<int>(date.year());
    fields.month = static_cast<int>(static_cast<unsigned>(date.month()));
    fields.day = static_cast<int>(static_cast<unsigned>(date.day()));
    fields.hour = static_cast<int>(secondOfDay / 3600);
    fields.minute = static_cast<int>(secondOfDay / 60 % 60);
    fields.second = static_cast<int>(secondOfDay % 60);
    return fields;
}

void appendPadded(std::string& out, int value, int width)
{
    std::array<char, 16> digits{};
    char* end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    for (auto length = end - digits.data(); length < width; ++length) out += '0';
    out.append(digits.data(), end);
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithToken(std::string_view text, std::string_view token)
{
    if (text.size() < token.size()) return false;
    for (std::size_t i = 0; i < token.size(); ++i)
        if (lowerAscii(text[i]) != token[i]) return false;
    return true;
}

}  // namespace

std::string formatDate(DateValue value, std::string_view mask)
{
    DateFields fields = splitDateValue(value);
    // %yyyy comes before %yy so that the longer token wins.
    struct Token {
        std::string_view letters;
        int field;
        int width;
    };
    const std::array<Token, 7> tokens = {{{"yyyy", fields.year, 4},
                                          {"yy", fields.year % 100, 2},
                                          {"mm", fields.month, 2},
                                          {"dd", fields.day, 2},
                                          {"hh", fields.hour, 2},
                                          {"ii", fields.minute, 2},
                                          {"ss", fields.second, 2}}};

    std::string out;
    std::size_t pos = 0;
    while (pos < mask.size()) {
        char c = mask[pos++];
        if (c != '%') {
            out += c;
            continue;
        }
        const Token* match = nullptr;
        for (const Token& token : tokens) {
            if (startsWithToken(mask.substr(pos), token.letters)) {
                match = &token;
                break;
            }
        }
        if (!match) {
            out += c;
            continue;
        }
        appendPadded(out, match->field, match->width);
        pos += match->letters.size();
    }
    return out;
}

std::string dateText(DateValue value) { return formatDate(value, logDateForm); }

std::string timeText(DateValue value) { return formatDate(value, logTimeForm); }

// The moment with the offset, as ISO 8601: 2026-12-09T14:03:10+01:00.
std::string isoTime(DateValue moment, int utcOffsetMinutes)
{
    std::string text = formatDate(moment, "%yyyy-%mm-%ddT%hh:%ii:%ss");
    const int magnitude = utcOffsetMinutes < 0 ? -utcOffsetMinutes : utcOffsetMinutes;
    auto two = [](int value) { return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)}; };
    text += utcOffsetMinutes < 0 ? '-' : '+';
    text += two(magnitude / 60 % 100) + ":" + two(magnitude % 60);
    return text;
}
