// The interval prompt at start-up; kept apart so that the parsing links without a toolkit.
#include "logging/LogInterval.h"

#include "driver/LoggerState.h"
#include "platform/window.h"

bool askInterval(LoggerState& state, const Settings& settings)
{
    const std::string answer = isGiven(settings, &Settings::interval)
                                   ? settings.interval
                                   : platform::uiPrompt("Zeitintervall f\xFCr Messdatenerfassung",
                                                        "Format: [Ex.x] S=Sek., M=Min., H=Std., D=Tag)",
                                                        settings.interval);
    const IntervalAnswer interval = parseInterval(answer);
    state.intervalMs = interval.ms;
    state.intervalText = interval.text;
    return intervalValid(interval);
}
