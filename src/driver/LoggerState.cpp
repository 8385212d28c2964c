// The defaults every run starts from, one line per setting.
#include "driver/LoggerState.h"

#include "platform/files.h"

void resetLoggerState(LoggerState& state)
{
    state = LoggerState{};  // every text empty, every number 0, every handle null, buffers zeroed

    state.analogLabel = {"Analog-Eingang Nr. 1", "Analog-Eingang Nr. 2", "Analog-Eingang Nr. 3",
                         "Analog-Eingang Nr. 4"};
    state.analogUnit = {"Volt", "Volt", "Volt", "Volt"};
    state.digitalLabel = {"Digital-Eingang Nr. 1", "Digital-Eingang Nr. 2", "Digital-Eingang Nr. 3",
                          "Digital-Eingang Nr. 4"};
    state.analogText = {"--.--", "--.--", "--.--", "--.--"};
    state.digitalText = {"---", "---", "---", "---"};
    // Exactly this decimal, not 5/1024: the shown values depend on it.
    state.analogScale = {0.0048828, 0.0048828, 0.0048828, 0.0048828};
    state.openText = "OFFEN";
    state.closedText = "GESCHLOSSEN";
    state.logFilePath = platform::fileDefaultLogPath();
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
    state.boardHost = "192.168.1.90";
    state.boardPort = 50290;
}
