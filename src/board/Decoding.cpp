// Turns the board's replies to the input queries into the shown and logged texts.
#include "board/Decoding.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <span>

#include "board/BoardLink.h"
#include "driver/LoggerState.h"

std::string decodeAnalog(std::string_view reply, double scale, int roundFactor, int width)
{
    // A non-digit does not stop the scan: "5x12" reads as 512.
    int raw = 0;
    for (std::size_t k = 0; k < 4 && k < reply.size(); ++k) {
        char c = reply[k];
        if (c >= '0' && c <= '9') raw = raw * 10 + (c - '0');
    }

    double x = static_cast<double>(raw);
    x = x * scale;
    x = x * static_cast<double>(roundFactor);
    // Exactly this form: 0 becomes negative zero and shows as "-0.0".
    x = x > 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5);
    x = x / static_cast<double>(roundFactor);

    // Room for the largest double in fixed notation with ten decimals.
    std::array<char, 400> text{};
    auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), x,
                                   std::chars_format::fixed, 10);
    if (ec != std::errc{}) return {};
    std::size_t length = static_cast<std::size_t>(end - text.data());
    std::size_t keep = width > 0 ? static_cast<std::size_t>(width) : 0;
    return std::string(text.data(), keep < length ? keep : length);
}

DigitalState decodeDigital(std::string_view reply)
{
    int value = 0;
    if (!reply.empty() && reply[0] >= '0' && reply[0] <= '9') value = reply[0] - '0';
    if (value == 1) return DigitalState::open;
    if (value == 0) return DigitalState::closed;
    return DigitalState::unchanged;
}

void readInputs(LoggerState& state)
{
    // The \r\n are sent as backslash-letter pairs, as the board expects them.
    static constexpr std::array<std::string_view, 4> analogCommands = {
        "GETADC 1 \\r\\n", "GETADC 2 \\r\\n", "GETADC 3 \\r\\n", "GETADC 4 \\r\\n"};
    static constexpr std::array<std::string_view, 4> digitalCommands = {
        "GETPORT 1 \\r\\n", "GETPORT 2 \\r\\n", "GETPORT 3 \\r\\n", "GETPORT 4 \\r\\n"};

    for (std::size_t i = 0; i < 4; ++i) {
        std::string reply = query(state.connection, analogCommands[i], state.analogReplyBuffer);
        state.analogReplyEmpty[i] = reply.empty();
        state.analogText[i] = decodeAnalog(reply, state.analogScale[i], state.analogRoundFactor,
                                           state.analogTextWidth);
    }
    for (std::size_t i = 0; i < 4; ++i) {
        std::string reply = query(state.connection, digitalCommands[i], state.digitalReplyBuffer);
        state.digitalReplyEmpty[i] = reply.empty();
        switch (decodeDigital(reply)) {
        case DigitalState::open:
            state.digitalText[i] = state.openText;
            state.digitalCode[i] = "0";
            break;
        case DigitalState::closed:
            state.digitalText[i] = state.closedText;
            state.digitalCode[i] = "1";
            break;
        case DigitalState::unchanged:
            break;
        }
    }
}
