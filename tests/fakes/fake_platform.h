// Stands in for sockets, files, window toolkit, sound and shell: scripted answers, and a trace
// of every call in the order the program made it.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/window.h"

struct FakeControl {
    std::string text;
    std::int64_t colour = -1;  // -1: none set
    bool systemFont = false;
};

struct FakeTimedEvent {
    std::int64_t atTick;  // arrives in the window's queue at this tick
    platform::UiEvent event;
};

struct FakePlatform {
    // Scripted behaviour.
    bool netStartWorks = true;
    bool connectWorks = true;
    int connectsThatWork = -1;  // after so many, connecting fails; -1: no limit
    bool fileOpenWorks = true;
    bool soundWorks = false;
    bool windowOpens = true;
    std::string promptAnswer = "S10";
    bool yesNoAnswer = false;
    std::map<std::string, std::string> replies;  // by command; others get an empty reply
    std::int64_t exchangeMs = 0;                 // ticks one board exchange takes
    int exchangesBeforeLinkDrops = -1;           // then every read finds the link closed; -1: never
    bool readsTimeOut = false;                   // every read ends without data, the link intact
    std::deque<FakeTimedEvent> events;
    std::string defaultSettingsPath;  // the user's settings file; empty: none
    std::string serviceFolder = "/nonexistent";  // where the service instances' settings live

    // What happened.
    std::vector<std::string> trace;
    std::string fileContent;
    std::vector<std::int64_t> rowTicks;  // the tick of every data row written
    std::map<int, FakeControl> controls;
    std::string lastCommand;
    int exchanges = 0;
    bool linkDown = false;
};

FakePlatform& fake();
// Fresh script, empty trace, the fake clock at tick 0 and 07.12.2026 09:05:03.
void resetFake();
// Trace entries that start with prefix, in order.
std::vector<std::string> traced(const std::string& prefix);
// Position of the first trace entry that starts with prefix, or -1.
int tracePosition(const std::string& prefix);
