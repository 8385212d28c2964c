// The log's format, written by the logger and read by the report: the header row, the row, the
// forms of date, time and values, the digital codes, and the rule that tells an absent board's rows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "board/Reading.h"
#include "settings/Settings.h"

inline constexpr std::string_view logHeaderStart = "Datum,Uhrzeit,";
// A row: its fields in this order, a separator between two, then the line end.
enum LogField : std::size_t { dateField, timeField, firstAnalogField, firstDigitalField = 2 + 4, logFields = 2 + 8 };
inline constexpr char logSeparator = ',';
inline constexpr std::string_view logLineEnd = "\r\n";
inline constexpr std::string_view logDateForm = "%dd.%mm.%yyyy";
inline constexpr std::string_view logTimeForm = "%hh:%ii:%ss";
// A text's bytes, each from low to low + span; letter holds the mask's letter of a digit.
struct TextShape {
    std::array<char, 64> letter{};
    std::array<std::uint8_t, 64> low{};
    std::array<std::uint8_t, 64> span{};
    std::size_t width = 0;
};
// shape followed by the texts of a mask: the mask without its '%', each letter one digit (the tens
// of hours up to 2, of minutes and seconds up to 5), any other character as it is.
constexpr TextShape withForm(TextShape shape, std::string_view form)
{
    for (std::size_t i = 0; i < form.size(); ++i) {
        const char c = form[i];
        const bool digit = c >= 'a' && c <= 'z', tens = i > 0 && form[i - 1] == '%';
        if (c == '%') continue;
        shape.low[shape.width] = static_cast<std::uint8_t>(digit ? '0' : c);
        shape.span[shape.width] = !digit ? 0 : tens && c == 'h' ? 2 : tens && (c == 'i' || c == 's') ? 5 : 9;
        shape.letter[shape.width++] = digit ? c : 0;
    }
    return shape;
}
inline constexpr TextShape dateShape = withForm({}, logDateForm);
inline constexpr TextShape timeShape = withForm({}, logTimeForm);
inline constexpr char openCode = '0';
inline constexpr char closedCode = '1';
// What the first cycle has not yet replaced: "--.--" for the value texts.
inline constexpr std::string_view noAnalogText = "--.--";

// The voltage form of an analog value: raw * scale rounded half away from zero to 1/roundFactor,
// written with ten decimals and cut to width characters; a raw 0 gives "-0.0".
std::string voltageText(int raw, double scale, int roundFactor, int width);

// The quantity form: raw * scale + offset rounded half away from zero to decimals places and
// written with exactly that many, never with a minus before a zero.
std::string quantityText(int raw, const AnalogInput& input);

// The analog field of the row: in the voltage form a missing digit reads as 0; in the quantity form
// it leaves the field empty.
// In the voltage form the value is cut to width characters after rounding to 1/roundFactor.
std::string analogField(const Reading& reading, std::size_t input, const AnalogInput& settings, int roundFactor,
                        int width);
// "1" closed, "0" open, empty while the state is not known.
std::string digitalField(const Reading& reading, std::size_t input);

// "LABEL [UNIT]" in the quantity form, the label alone in the voltage form.
std::string analogColumnTitle(const AnalogInput& input);

// The two rows with their line end.
std::string logHeaderRow(const Settings& settings);
std::string logDataRow(const Reading& reading, const Settings& settings, int roundFactor, int width);

// The usual row: every analog value in the voltage form at the logger's width, "2.50" (0 to
// 9.99 V) or "-0.0" (a reading of 0 or none), every digital code known.
inline constexpr std::size_t usualVoltageWidth = 4;
inline constexpr std::string_view usualVoltageZero = "-0.0";
// Its bytes, its line end's first included, and where each field starts; date and time have
// these places in every row.
struct UsualRowLayout {
    TextShape bytes;
    std::array<std::size_t, logFields> fieldAt{};
};
inline constexpr UsualRowLayout usualRowLayout = [] {
    UsualRowLayout row;
    const auto put = [&row](char low, int span) {
        row.bytes.low[row.bytes.width] = static_cast<std::uint8_t>(low);
        row.bytes.span[row.bytes.width++] = static_cast<std::uint8_t>(span);
    };
    for (std::size_t field = 0; field < logFields; ++field) {
        row.fieldAt[field] = row.bytes.width;
        if (field <= timeField)
            row.bytes = withForm(row.bytes, field == dateField ? logDateForm : logTimeForm);
        else if (field < firstDigitalField)
            for (std::size_t i = 0; i < usualVoltageWidth; ++i) i == 1 ? put('.', 0) : put('0', 9);  // 0 to 9.99 V
        else
            put(openCode, closedCode - openCode);
        put(field + 1 < logFields ? logSeparator : logLineEnd[0], 0);
    }
    return row;
}();
inline constexpr std::size_t usualRowBytes = usualRowLayout.bytes.width - 1;  // without the line end

// Reading the log back.

// A date's text to the date value of its midnight, a time's to the seconds since midnight; -1 for
// one that names none, or a year before 1970 (a clock before 1970 is written as 00.00.0000).
std::int64_t readLogDate(const char* text);
int readLogTime(const char* text);

// A column title's label and unit (empty when the title names none).
struct ColumnTitle {
    std::string_view label;
    std::string_view unit;
};
ColumnTitle splitColumnTitle(std::string_view title);

// An analog field as written: a number (an optional minus, digits, optionally a point and more
// digits), nothing (no reading), or anything else.
struct AnalogFieldValue {
    enum Kind { number, empty, malformed } kind = malformed;
    bool negative = false;
    std::uint64_t digits = 0;  // every digit, the decimals included: "-12.50" is 1250
    int places = 0;            // digits after the point
    bool negativeZero() const { return kind == number && negative && digits == 0; }
};
// More than 18 digits do not fit and count as malformed.
AnalogFieldValue parseAnalogField(std::string_view field);

// The board was possibly away for an analog value: "-0.0" (the voltage form of a missing reply) or an
// empty field, in a row whose digital fields are all 1 or empty, which is what they are without
// a reply. Bit n for input n + 1, from the inputs that had such a value, the digital inputs with
// a code and those closed.
inline std::uint32_t silentInputs(std::uint32_t missingValues, std::uint32_t knownInputs,
                                  std::uint32_t closedInputs)
{
    return (closedInputs & knownInputs) == knownInputs ? missingValues : 0;
}
