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
    std::string kind;  // button, Label, Edit, Check, Choice; empty for a text
    bool checked = false;
    int chosen = 0;
    std::vector<std::string> choices;
    bool enabled = true;
    bool shown = true;
    bool secret = false;
};

struct FakeTimedEvent {
    std::int64_t atTick;  // arrives in the window's queue at this tick
    platform::UiEvent event;
    // For a change of an edit, what the user typed into it; for a check box's click, whether it
    // is checked afterwards; for a choice, the new choice's index.
    std::string typed = {};
};

struct FakePlatform {
    // Scripted behaviour.
    bool netStartWorks = true;
    bool connectWorks = true;
    int connectsThatWork = -1;  // after so many, connecting fails; -1: no limit
    bool fileOpenWorks = true;
    bool soundWorks = false;
    bool windowOpens = true;
    bool courseOpens = true;
    std::string promptAnswer = "S10";
    bool yesNoAnswer = false;
    std::map<std::string, std::string> replies;  // by command; others get an empty reply
    std::int64_t exchangeMs = 0;                 // ticks one board exchange takes
    int exchangesBeforeLinkDrops = -1;           // then every read finds the link closed; -1: never
    bool readsTimeOut = false;                   // every read ends without data, the link intact
    std::deque<FakeTimedEvent> events;
    std::string defaultSettingsPath;  // the user's settings file; empty: none
    std::string savePathAnswer;       // what the save dialog gives; empty: cancelled
    std::map<std::string, std::string> replacedFiles;  // fileReplace's files by path
    int focus = 0;                    // the control with the keyboard focus
    std::string serviceFolder = "/nonexistent";  // where the service instances' settings live
    bool german = false;              // the user's locale, or UI language, is German
    bool passwordStore = false;       // the platform keeps broker passwords (Windows)
    std::map<std::string, std::string> storedPasswords;  // by the logger's name

    // What happened.
    std::vector<std::string> trace;
    std::string fileContent;
    std::vector<std::int64_t> rowTicks;  // the tick of every data row written
    std::map<int, FakeControl> controls;
    std::string lastCommand;
    int exchanges = 0;
    bool linkDown = false;
    bool courseOpen = false;
    std::vector<platform::UiShape> courseShapes;  // the course window's last picture
    int courseDraws = 0;
};

FakePlatform& fake();
// Fresh script, empty trace, the fake clock at tick 0 and 07.12.2026 09:05:03.
void resetFake();
// Trace entries that start with prefix, in order.
std::vector<std::string> traced(const std::string& prefix);
// Position of the first trace entry that starts with prefix, or -1.
int tracePosition(const std::string& prefix);
