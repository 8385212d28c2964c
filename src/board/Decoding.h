// Turns the board's replies into the texts that are shown and logged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct LoggerState;

// The number that the digits among the reply's first four characters make; none without a digit.
std::optional<int> analogRaw(std::string_view reply);

enum class DigitalState { open, closed, unchanged };

// Only the first character counts: 1 is open, 2 to 9 leave the state, anything else is closed.
DigitalState decodeDigital(std::string_view reply);

// Queries and decodes analog inputs 1 to 4, then digital inputs 1 to 4, into the state's reading,
// stamped with one clock reading when the last reply is in.
void readInputs(LoggerState& state);
