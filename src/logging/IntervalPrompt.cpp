// The interval prompt at start-up; kept apart so that the parsing links without a toolkit.
#include "logging/LogInterval.h"

#include "platform/window.h"

bool askInterval(LoggerState& state, const std::optional<std::string>& givenAnswer)
{
    const std::string answer = givenAnswer ? *givenAnswer
                                           : platform::uiPrompt("Zeitintervall f\xFCr Messdatenerfassung",
                                                                "Format: [Ex.x] S=Sek., M=Min., H=Std., D=Tag)",
                                                                "S10");
    parseInterval(state, answer);
    return intervalValid(state);
}
