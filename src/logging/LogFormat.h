// The log's format, written by the logger and read by the report: the header row, the two forms
// of an analog value, the digital codes, and the rule that tells an absent board's rows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "board/Reading.h"
#include "settings/Settings.h"

inline constexpr std::string_view logHeaderStart = "Datum,Uhrzeit,";
inline constexpr std::string_view logLineEnd = "\r\n";
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

// The two rows with their line end.
std::string logHeaderRow(const Settings& settings);
std::string logDataRow(const Reading& reading, const Settings& settings, int roundFactor, int width);

// Reading the log back.

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
