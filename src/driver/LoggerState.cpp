// The state every run starts from: the settings' defaults and the texts before the first reading.
#include "driver/LoggerState.h"

#include "logging/LogFormat.h"

void resetLoggerState(LoggerState& state)
{
    state = LoggerState{};  // every text empty, every number 0, every handle null, buffers zeroed

    state.settings = defaultSettings();
    state.closedColour = red;
    state.openColour = blue;
    state.analogRoundFactor = voltageRoundFactor;
    state.analogTextWidth = voltageTextWidth;
    state.lastLogDate = "--.--.--";
    state.nextLogDate = "--.--.--";
    state.lastLogTime = "--:--:--";
    state.nextLogTime = "--:--:--";
    state.soundReady = 0;
}

std::string analogField(const LoggerState& state, std::size_t input)
{
    return analogField(state.reading, input, state.settings.analog[input], state.analogRoundFactor,
                       state.analogTextWidth);
}

std::string digitalField(const LoggerState& state, std::size_t input) { return digitalField(state.reading, input); }
