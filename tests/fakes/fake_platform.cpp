// The fake platform services that driver and display tests link in place of the real ones.
#include "fakes/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "fakes/fake_clock.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "platform/mqtt.h"
#include "platform/notify.h"
#include "platform/shell.h"
#include "platform/sockets.h"
#include "platform/sound.h"

namespace {
FakePlatform platformFake;
// Any non-null address serves as a handle; nothing is behind it.
int handleTarget;
template <typename T>
T* fakeHandle() { return reinterpret_cast<T*>(&handleTarget); }

std::string hex(std::uint32_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 20; shift >= 0; shift -= 4) text += digits[(value >> shift) & 0xF];
    return text;
}
}  // namespace

FakePlatform& fake() { return platformFake; }

void resetFake()
{
    platformFake = FakePlatform{};
    fakeClockSetTicks(0);
    fakeClockScript({{2026, 12, 7, 9, 5, 3}});
}

std::vector<std::string> traced(const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& entry : platformFake.trace)
        if (entry.starts_with(prefix)) found.push_back(entry);
    return found;
}

int tracePosition(const std::string& prefix)
{
    auto& trace = platformFake.trace;
    auto it = std::find_if(trace.begin(), trace.end(),
                           [&](const std::string& entry) { return entry.starts_with(prefix); });
    return it == trace.end() ? -1 : static_cast<int>(it - trace.begin());
}

namespace platform {

bool netStart()
{
    platformFake.trace.push_back("netStart");
    return platformFake.netStartWorks;
}

void netStop() { platformFake.trace.push_back("netStop"); }

NetSocket* netConnect(const std::string& host, int port, int, NetFailure* failure)
{
    platformFake.trace.push_back("connect " + host + ":" + std::to_string(port));
    if (failure) *failure = NetFailure::refused;
    if (!platformFake.connectWorks || platformFake.connectsThatWork == 0) return nullptr;
    if (failure) *failure = NetFailure::none;
    if (platformFake.connectsThatWork > 0) --platformFake.connectsThatWork;
    platformFake.linkDown = false;
    return fakeHandle<NetSocket>();
}

bool netSend(NetSocket*, const char* data, std::size_t size)
{
    platformFake.lastCommand.assign(data, size);
    platformFake.trace.push_back("send " + platformFake.lastCommand);
    return true;
}

NetReceive netReceive(NetSocket*, char* buffer, std::size_t limit, int)
{
    fakeClockSetTicks(clockTicksMs() + platformFake.exchangeMs);
    if (platformFake.exchanges++ == platformFake.exchangesBeforeLinkDrops) platformFake.linkDown = true;
    if (platformFake.linkDown) return {0, true};
    if (platformFake.readsTimeOut) return {0, false};
    const std::string& reply = platformFake.replies[platformFake.lastCommand];
    const std::size_t size = std::min(limit, reply.size());
    std::memcpy(buffer, reply.data(), size);
    return {size, false};
}

void netClose(NetSocket*) { platformFake.trace.push_back("netClose"); }

std::string fileDefaultLogPath() { return "/home/fake/AVR-NET-IO.CSV"; }
std::string fileDefaultSettingsPath() { return platformFake.defaultSettingsPath; }
std::string fileServiceSettingsPath(const std::string& name) { return platformFake.serviceFolder + "/" + name + ".toml"; }
std::string fileServiceLogPath(const std::string& name) { return "/var/lib/avrnetio-logger/" + name + ".csv"; }
std::string filePathFromUtf8(const std::string& utf8) { return utf8; }
std::string fileUtf8FromPath(const std::string& path) { return path; }
bool fileReplace(const std::string& path, const std::string& content)
{
    platformFake.trace.push_back("fileReplace " + path);
    platformFake.replacedFiles[path] = content;
    return true;
}
std::string fileGuidePath() { return "/usr/share/doc/avrnetio-logger/anleitung.html"; }
bool fileExists(const std::string& path) { return std::ifstream(path).good(); }
// The real file system's answer: the settings' tests read real files.
FileKind fileKind(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_type type = std::filesystem::status(path, error).type();
    if (type == std::filesystem::file_type::not_found && !std::filesystem::is_symlink(path, error))
        return FileKind::missing;
    if (type == std::filesystem::file_type::not_found || error) return FileKind::unreachable;
    return type == std::filesystem::file_type::regular ? FileKind::regular : FileKind::other;
}

// UTF-8 where the path has it, as on a Linux desktop; the Latin-1 characters come out as such.
std::string filePathText(const std::string& path)
{
    std::string text;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if ((byte == 0xC2 || byte == 0xC3) && i + 1 < path.size())
            text += static_cast<char>((byte & 0x03) << 6 | (path[++i] & 0x3F));
        else
            text += path[i];
    }
    return text;
}

LogFile* fileOpen(const std::string& path)
{
    platformFake.trace.push_back("fileOpen " + path);
    return platformFake.fileOpenWorks ? fakeHandle<LogFile>() : nullptr;
}

std::int64_t fileLength(LogFile*) { return static_cast<std::int64_t>(platformFake.fileContent.size()); }

std::int64_t fileReadAt(LogFile*, std::int64_t offset, char* buffer, std::size_t size)
{
    const std::string& content = platformFake.fileContent;
    if (offset < 0 || static_cast<std::size_t>(offset) > content.size()) return -1;
    const std::size_t count = std::min(size, content.size() - static_cast<std::size_t>(offset));
    std::memcpy(buffer, content.data() + offset, count);
    return static_cast<std::int64_t>(count);
}

bool fileSeek(LogFile*, std::int64_t) { return true; }

bool fileWrite(LogFile*, const char* data, std::size_t size)
{
    std::string text(data, size);
    platformFake.trace.push_back("fileWrite " + text);
    if (!text.starts_with("Datum")) platformFake.rowTicks.push_back(clockTicksMs());
    platformFake.fileContent += text;
    return true;
}

bool fileSync(LogFile*) { return true; }

void fileClose(LogFile*) { platformFake.trace.push_back("fileClose"); }

bool uiStart()
{
    platformFake.trace.push_back("uiStart");
    return platformFake.windowOpens;
}

UiPicture* uiLoadPicture(const unsigned char*, std::size_t)
{
    platformFake.trace.push_back("loadPicture");
    return fakeHandle<UiPicture>();
}

void uiFreePicture(UiPicture*) { platformFake.trace.push_back("freePicture"); }

bool uiOpenMainWindow(const std::string& title, int width, int height)
{
    platformFake.trace.push_back("openWindow " + title + " " + std::to_string(width) + "x" +
                                 std::to_string(height));
    return platformFake.windowOpens;
}

void uiCreateText(int control, int x, int y, int width, int height, const std::string& text,
                  UiFrame frame, UiAlign align)
{
    platformFake.trace.push_back("createText " + std::to_string(control) + " " + std::to_string(x) +
                                 "," + std::to_string(y) + " " + std::to_string(width) + "x" +
                                 std::to_string(height) + (frame == UiFrame::sunken ? " sunken" : " plain") +
                                 (align == UiAlign::left ? " left" : " centre"));
    platformFake.controls[control].text = text;
}

void uiCreateButton(int control, int x, int y, int width, int height, const std::string& label)
{
    platformFake.trace.push_back("createButton " + std::to_string(control) + " " + std::to_string(x) +
                                 "," + std::to_string(y) + " " + std::to_string(width) + "x" +
                                 std::to_string(height));
    platformFake.controls[control].text = label;
    platformFake.controls[control].kind = "button";
}

bool uiOpenDialogWindow(const std::string& title, int width, int height)
{
    platformFake.trace.push_back("openDialog " + title + " " + std::to_string(width) + "x" + std::to_string(height));
    return platformFake.windowOpens;
}

namespace {

FakeControl& created(const char* kind, int control, int x, int y, int width, int height, const std::string& text)
{
    platformFake.trace.push_back(std::string("create") + kind + " " + std::to_string(control) + " " +
                                 std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
                                 std::to_string(height) + " " + text);
    FakeControl& made = platformFake.controls[control];
    made.kind = kind;
    made.text = text;
    return made;
}

}  // namespace

void uiCreateLabel(int control, int x, int y, int width, int height, const std::string& text)
{
    created("Label", control, x, y, width, height, text);
}

void uiCreateEdit(int control, int x, int y, int width, int height, const std::string& text, bool secret)
{
    created("Edit", control, x, y, width, height, text).secret = secret;
}

void uiCreateCheck(int control, int x, int y, int width, int height, const std::string& label, bool checked)
{
    created("Check", control, x, y, width, height, label).checked = checked;
}

void uiCreateChoice(int control, int x, int y, int width, int height, const std::vector<std::string>& choices,
                    int chosen)
{
    FakeControl& made = created("Choice", control, x, y, width, height, choices.empty() ? "" : choices.front());
    made.choices = choices;
    made.chosen = chosen;
}

void uiSetDefaultButton(int control) { platformFake.trace.push_back("defaultButton " + std::to_string(control)); }

std::string uiGetText(int control) { return platformFake.controls[control].text; }
bool uiGetCheck(int control) { return platformFake.controls[control].checked; }
int uiGetChoice(int control) { return platformFake.controls[control].chosen; }
void uiSetEnabled(int control, bool enabled) { platformFake.controls[control].enabled = enabled; }
void uiSetShown(int control, bool shown) { platformFake.controls[control].shown = shown; }
void uiSetFocus(int control)
{
    platformFake.focus = control;
    platformFake.trace.push_back("focus " + std::to_string(control));
}

std::string uiAskSavePath(const std::string& title, const std::string& path)
{
    platformFake.trace.push_back("askSavePath " + title + " " + path);
    return platformFake.savePathAnswer;
}

void uiSetText(int control, const std::string& text)
{
    auto it = platformFake.controls.find(control);
    if (it == platformFake.controls.end()) return;
    platformFake.trace.push_back("setText " + std::to_string(control) + " " + text);
    it->second.text = text;
}

void uiSetTextColour(int control, std::uint32_t colour)
{
    auto it = platformFake.controls.find(control);
    if (it == platformFake.controls.end()) return;
    platformFake.trace.push_back("setColour " + std::to_string(control) + " " + hex(colour));
    it->second.colour = colour;
}

void uiSetSystemFont(int control)
{
    auto it = platformFake.controls.find(control);
    if (it == platformFake.controls.end()) return;
    platformFake.trace.push_back("systemFont " + std::to_string(control));
    it->second.systemFont = true;
}

void uiDrawPicture(UiPicture*, int x, int y)
{
    platformFake.trace.push_back("drawPicture " + std::to_string(x) + "," + std::to_string(y));
}

void uiDrawNow() { platformFake.trace.push_back("drawNow"); }

void uiSetTitle(const std::string& title) { platformFake.trace.push_back("title " + title); }

void uiWake() {}

UiEvent uiTakeEvent(int timeoutMs)
{
    const std::int64_t now = clockTicksMs();
    auto& events = platformFake.events;
    if (!events.empty() && events.front().atTick <= now + timeoutMs) {
        const FakeTimedEvent next = events.front();
        events.pop_front();
        fakeClockSetTicks(std::max(now, next.atTick));
        // What the user did to the control comes with the event.
        FakeControl& target = platformFake.controls[next.event.control];
        if (target.kind == "Edit") target.text = next.typed;
        if (target.kind == "Check") target.checked = next.typed == "checked";
        if (target.kind == "Choice") target.chosen = std::stoi(next.typed.empty() ? "0" : next.typed);
        if (next.event.code == uiEventCourseClose) platformFake.courseOpen = false;
        platformFake.trace.push_back("event " + std::to_string(next.event.code) + " " +
                                     std::to_string(next.event.control));
        return next.event;
    }
    fakeClockSetTicks(now + timeoutMs);
    return {};
}

void uiMessage(const std::string& title, const std::string& text)
{
    platformFake.trace.push_back("message " + title + ": " + text);
}

bool uiAskYesNo(const std::string& title, const std::string& text)
{
    platformFake.trace.push_back("ask " + title + ": " + text);
    return platformFake.yesNoAnswer;
}

std::string uiPrompt(const std::string& title, const std::string& message, const std::string& initial)
{
    platformFake.trace.push_back("prompt " + title + " | " + message + " | " + initial);
    return platformFake.promptAnswer;
}

bool uiOpenCourseWindow(const std::string& title, int width, int height)
{
    platformFake.trace.push_back("openCourse " + title);
    platformFake.courseOpen = platformFake.courseOpens && platformFake.windowOpens;
    // Its first size, as a toolkit reports it once the window is shown.
    if (platformFake.courseOpen)
        platformFake.events.push_front({clockTicksMs(), {uiEventCourseSize, 0, width, height}});
    return platformFake.courseOpen;
}

void uiSetCourseTitle(const std::string& title) { platformFake.trace.push_back("courseTitle " + title); }

void uiDrawCourse(const std::vector<UiShape>& shapes)
{
    if (!platformFake.courseOpen) return;
    platformFake.courseShapes = shapes;
    ++platformFake.courseDraws;
}

void uiCloseWindows()
{
    platformFake.trace.push_back("closeWindows");
    platformFake.courseOpen = false;
}

bool soundStart()
{
    platformFake.trace.push_back("soundStart");
    return platformFake.soundWorks;
}

void soundLoad(Tone tone, const unsigned char*, std::size_t)
{
    platformFake.trace.push_back(tone == Tone::click ? "loadClick" : "loadAlarmTone");
}
void soundPlay(Tone tone) { platformFake.trace.push_back(tone == Tone::click ? "click" : "alarmTone"); }

void notifyShow(const std::string& title, const std::string& text, bool urgent)
{
    platformFake.trace.push_back("notify " + title + ": " + text + (urgent ? " (urgent)" : ""));
}
void notifyStop() { platformFake.trace.push_back("notifyStop"); }
void soundStop() { platformFake.trace.push_back("soundStop"); }

void shellOpenDocument(const std::string& path) { platformFake.trace.push_back("open " + path); }

void shellStartAgain(const std::vector<std::string>& arguments)
{
    std::string line = "startAgain";
    for (const std::string& argument : arguments) line += " " + argument;
    platformFake.trace.push_back(line);
}

struct ShellProcess {
    int exitCode = 0;
};

ShellProcess* shellStart(const std::vector<std::string>& command,
                         const std::vector<std::pair<std::string, std::string>>& variables, std::string& error)
{
    std::string line = "start";
    for (const std::string& word : command) line += " " + word;
    for (const auto& [name, value] : variables) line += " " + name + "=" + value;
    platformFake.trace.push_back(line);
    if (command.empty() || command[0] == "missing") {
        error = "No such file or directory";
        return nullptr;
    }
    return new ShellProcess{command[0] == "false" ? 1 : 0};
}

bool shellEnded(ShellProcess* process, int& exitCode)
{
    exitCode = process->exitCode;
    delete process;
    return true;
}

void shellKill(ShellProcess*) {}

void shellRelease(ShellProcess* process) { delete process; }

bool localeGerman() { return platformFake.german; }
bool localeConsoleUtf8() { return true; }
// Started from a terminal, whose output is read.
bool desktopOutputUnseen() { return false; }

bool mqttStart(const MqttSettings& settings)
{
    platformFake.trace.push_back("mqttStart " + settings.host + ":" + std::to_string(settings.port) + " will " +
                                 settings.willTopic + " " + settings.willPayload);
    return true;
}
void mqttAddConnectMessage(const std::string& topic, const std::string&)
{
    platformFake.trace.push_back("mqttConnectMessage " + topic);
}
void mqttPublish(const std::string& topic, const std::string& payload)
{
    platformFake.trace.push_back("mqttPublish " + topic + " " + payload);
}
MqttNameCheck mqttCheckName(const MqttSettings& settings, int)
{
    platformFake.trace.push_back("mqttCheckName " + settings.ownerTopic);
    return {MqttNameState::held, "avrnetio-cellar-1a2b3c4d", ""};
}
void mqttPublishLatest(const std::string& topic, const std::string& payload)
{
    platformFake.trace.push_back("mqttLatest " + topic + " " + payload);
}
bool mqttPasswordStoreExists() { return platformFake.passwordStore; }
std::optional<std::string> mqttPasswordStored(const std::string& name)
{
    const auto found = platformFake.storedPasswords.find(name);
    return found == platformFake.storedPasswords.end() ? std::nullopt : std::optional(found->second);
}
bool mqttPasswordStore(const std::string& name, const std::string& password)
{
    platformFake.storedPasswords[name] = password;
    return true;
}
bool mqttPasswordRemove(const std::string& name)
{
    platformFake.storedPasswords.erase(name);
    return true;
}
MqttStatus mqttStatus() { return {1, message(MessageId::mqttStatusConnected, {"broker:1883"})}; }
bool mqttStop(const std::string& topic, const std::string& payload, int timeoutMs)
{
    platformFake.trace.push_back("mqttStop " + topic + " " + payload + " " + std::to_string(timeoutMs));
    return true;
}

}  // namespace platform
