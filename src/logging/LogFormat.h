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
inline constexpr char openCode = '0';
inline constexpr char closedCode = '1';
// The voltage form rounds to thousandths of a volt and keeps four characters.
inline constexpr int voltageRoundFactor = 1000;
inline constexpr int voltageTextWidth = 4;
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

// The alarm log beside the log: its name, its header, its events and the name of a silent board's
// alarm, which has no value.
inline constexpr std::string_view alarmLogMark = "-alarme";
inline constexpr std::string_view alarmLogHeader = "Datum,Uhrzeit,Eingang,Ereignis,Wert,Grenze";
inline constexpr std::string_view alarmStarts = "Alarm";
inline constexpr std::string_view alarmEnds = "Ende";
inline constexpr std::string_view boardAlarmName = "Board";
// "AVR-NET-IO.CSV" has its alarms in "AVR-NET-IO-alarme.CSV"; the mark ends a name without an
// extension, and a name's leading dot is none.
std::string alarmLogPathBeside(std::string_view logPath);

// The two rows with their line end.
std::string logHeaderRow(const Settings& settings);
std::string logDataRow(const Reading& reading, const Settings& settings, int roundFactor, int width);

// The usual row: every analog value in the voltage form at the logger's width, "2.50" (0 to
// 9.99 V) or "-0.0" (a reading of 0 or none), every digital code known.
inline constexpr std::string_view usualVoltageZero = "-0.0";
// Its bytes, its line end's first included, each from low to low + span: the date and time masks
// without their '%', each letter one digit (the tens of hours up to 2, of minutes and seconds up
// to 5) marked with that letter in letter; and where each field starts, as in every row for the
// date and the time.
struct UsualRowLayout {
    std::array<char, 64> letter{};
    std::array<std::uint8_t, 64> low{};
    std::array<std::uint8_t, 64> span{};
    std::array<std::size_t, logFields> fieldAt{};
};
inline constexpr UsualRowLayout usualRowLayout = [] {
    UsualRowLayout row;
    std::size_t at = 0;
    const auto put = [&row, &at](char low, int span, char letter = 0) {
        row.letter[at] = letter;
        row.low[at] = static_cast<std::uint8_t>(low);
        row.span[at++] = static_cast<std::uint8_t>(span);
    };
    for (std::size_t field = 0; field < logFields; ++field) {
        row.fieldAt[field] = at;
        const std::string_view mask = field == dateField ? logDateForm : field == timeField ? logTimeForm : "";
        for (std::size_t i = 0; i < mask.size(); ++i) {
            const char c = mask[i];
            const bool digit = c >= 'a' && c <= 'z', tens = i > 0 && mask[i - 1] == '%';
            if (c == '%') continue;
            put(digit ? '0' : c, !digit ? 0 : !tens ? 9 : c == 'h' ? 2 : c == 'i' || c == 's' ? 5 : 9, digit ? c : 0);
        }
        if (field >= firstAnalogField && field < firstDigitalField)
            for (int i = 0; i < voltageTextWidth; ++i) i == 1 ? put('.', 0) : put('0', 9);  // 0 to 9.99 V
        if (field >= firstDigitalField) put(openCode, closedCode - openCode);
        put(field + 1 < logFields ? logSeparator : logLineEnd[0], 0);
    }
    return row;
}();
inline constexpr std::size_t usualRowBytes = usualRowLayout.fieldAt[logFields - 1] + 1;  // the last code, one byte

// Reading the log back.

// A row's date to the date value of its midnight, its time to the seconds since midnight; -1 for
// one that names none, or a year before 1970 (a clock before 1970 is written as 00.00.0000).
std::int64_t readLogDate(const char* row);
int readLogTime(const char* row);

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
