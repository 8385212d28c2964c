// Turns the board's replies to the input queries into the shown and logged texts.
#include "board/Decoding.h"

#include <array>
#include <cstddef>

#include "board/BoardLink.h"
#include "driver/LoggerState.h"
#include "logging/DateText.h"

std::optional<int> analogRaw(std::string_view reply)
{
    // A non-digit does not stop the scan: "5x12" reads as 512.
    std::optional<int> raw;
    for (std::size_t k = 0; k < 4 && k < reply.size(); ++k) {
        const char c = reply[k];
        if (c >= '0' && c <= '9') raw = raw.value_or(0) * 10 + (c - '0');
    }
    return raw;
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

    Reading& reading = state.reading;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string reply = query(state.connection, analogCommands[i], state.analogReplyBuffer);
        reading.analogReplyEmpty[i] = reply.empty();
        reading.analogRaw[i] = analogRaw(reply);
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string reply = query(state.connection, digitalCommands[i], state.digitalReplyBuffer);
        reading.digitalReplyEmpty[i] = reply.empty();
        switch (decodeDigital(reply)) {
        case DigitalState::open: reading.digitalClosed[i] = false; break;
        case DigitalState::closed: reading.digitalClosed[i] = true; break;
        case DigitalState::unchanged: break;
        }
    }
    // One clock reading stamps the whole row, its date and its time.
    reading.momentMs = wallClockMs();
    reading.taken = true;
}
