// The defaults every run starts from, one line per setting.
#include "driver/LoggerState.h"

#include "logging/LogFormat.h"
#include "platform/files.h"

void resetLoggerState(LoggerState& state)
{
    state = LoggerState{};  // every text empty, every number 0, every handle null, buffers zeroed

    for (int n = 1; n <= 4; ++n) {
        const char digit = static_cast<char>('0' + n);
        AnalogInput& analog = state.settings.analog[n - 1];
        analog.label = std::string("Analog-Eingang Nr. ") + digit;
        analog.unit = "Volt";
        analog.scale = 0.0048828;  // exactly this decimal, not 5/1024: the shown values depend on it
        analog.offset = 0.0;
        analog.decimals = 2;  // what today's four characters show below 10 V
        analog.quantity = false;
        analog.haDeviceClass = "voltage";
        DigitalInput& digital = state.settings.digital[n - 1];
        digital.label = std::string("Digital-Eingang Nr. ") + digit;
        digital.openText = "OFFEN";
        digital.closedText = "GESCHLOSSEN";
        digital.haDeviceClass = "";
    }
    state.settings.logFilePath = platform::fileDefaultLogPath();
    state.closedColour = 0x0000FF;  // red
    state.openColour = 0xFF0000;    // blue
    state.analogRoundFactor = 1000;  // three decimals
    state.analogTextWidth = 4;
    state.lastLogDate = "--.--.--";
    state.nextLogDate = "--.--.--";
    state.lastLogTime = "--:--:--";
    state.nextLogTime = "--:--:--";
    state.soundWanted = 1;
    state.soundReady = 0;
    state.settings.boardHost = "192.168.1.90";
    state.settings.boardPort = 50290;
}

std::string analogField(const LoggerState& state, std::size_t input)
{
    return analogField(state.reading, input, state.settings.analog[input], state.analogRoundFactor,
                       state.analogTextWidth);
}

std::string digitalField(const LoggerState& state, std::size_t input) { return digitalField(state.reading, input); }
