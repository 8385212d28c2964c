// The log's rows and fields, and their reading back.
#include "logging/LogFormat.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>

#include "logging/DateText.h"

namespace {

// Room for the largest double in fixed notation with ten decimals.
using NumberBuffer = std::array<char, 400>;

std::string fixedText(double value, int decimals)
{
    NumberBuffer text{};
    auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, decimals);
    if (error != std::errc{}) return {};
    return std::string(text.data(), end);
}

}  // namespace

std::string voltageText(int raw, double scale, int roundFactor, int width)
{
    double x = static_cast<double>(raw);
    x = x * scale;
    x = x * static_cast<double>(roundFactor);
    // Exactly this form: 0 becomes negative zero and shows as "-0.0".
    x = x > 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5);
    x = x / static_cast<double>(roundFactor);
    const std::string text = fixedText(x, 10);
    const std::size_t keep = width > 0 ? static_cast<std::size_t>(width) : 0;
    return text.substr(0, keep);
}

std::string quantityText(int raw, const AnalogInput& input)
{
    const double scaled = static_cast<double>(raw) * input.scale;
    const double power = std::pow(10.0, input.decimals);
    const double units = (scaled + input.offset) * power;
    // Scale and offset are decimals that a double only comes near: a result within their
    // rounding error of a half stands for that half, which goes away from zero.
    const double error = 8 * DBL_EPSILON * (std::fabs(scaled) + std::fabs(input.offset)) * power;
    double whole = std::floor(std::fabs(units));
    if (std::fabs(units) - whole >= 0.5 - error) whole += 1;
    return fixedText(units < 0 && whole != 0 ? -whole / power : whole / power, input.decimals);
}

std::string analogField(const Reading& reading, std::size_t input, const AnalogInput& settings, int roundFactor,
                        int width)
{
    const std::optional<int>& raw = reading.analogRaw[input];
    if (settings.quantity) return raw && reading.taken ? quantityText(*raw, settings) : std::string();
    if (!reading.taken) return std::string(noAnalogText);
    return voltageText(raw.value_or(0), settings.scale, roundFactor, width);
}

std::string digitalField(const Reading& reading, std::size_t input)
{
    const std::optional<bool>& closed = reading.digitalClosed[input];
    return closed ? std::string(1, *closed ? closedCode : openCode) : "";
}

std::string analogColumnTitle(const AnalogInput& input)
{
    return input.quantity ? input.label + " [" + input.unit + "]" : input.label;
}

std::string logHeaderRow(const Settings& settings)
{
    std::string row(logHeaderStart);
    for (const AnalogInput& input : settings.analog) row.append(analogColumnTitle(input)) += logSeparator;
    for (const DigitalInput& input : settings.digital) row.append(input.label) += logSeparator;
    row.pop_back();
    return row.append(logLineEnd);
}

std::string alarmLogPathBeside(std::string_view logPath)
{
    const std::size_t name = logPath.find_last_of("/\\") + 1;  // 0 where there is no folder
    const std::size_t dot = logPath.rfind('.');
    const std::size_t at = dot != std::string_view::npos && dot > name ? dot : logPath.size();
    return std::string(logPath.substr(0, at)) + std::string(alarmLogMark) + std::string(logPath.substr(at));
}

std::string logDataRow(const Reading& reading, const Settings& settings, int roundFactor, int width)
{
    const DateValue moment = secondOf(reading.momentMs);
    std::string row = dateText(moment) + logSeparator + timeText(moment);
    for (std::size_t i = 0; i < 4; ++i)
        (row += logSeparator).append(analogField(reading, i, settings.analog[i], roundFactor, width));
    for (std::size_t i = 0; i < 4; ++i) (row += logSeparator).append(digitalField(reading, i));
    return row.append(logLineEnd);
}
