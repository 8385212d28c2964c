// Notification service on Linux: libnotify loaded at run time, so the logger runs without it, and
// called from a thread of its own, since a notification server that is slow to answer would
// otherwise hold up a row.
#include "platform/notify.h"

#include <dlfcn.h>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <sys/stat.h>

namespace {

struct NotifyNotification;
struct GError;

struct Note {
    std::string title;  // UTF-8, as libnotify takes them
    std::string text;
    bool urgent = false;
};

// Shared with the thread; left to it, never freed, when it is still busy at the end.
struct Notifier {
    std::mutex lock;
    std::condition_variable wake;
    std::deque<Note> notes;
    bool stopping = false;
    bool busy = false;
    std::thread worker;
};
Notifier* notifier = nullptr;

// More would only pile up behind a server that does not answer.
constexpr std::size_t queueLimit = 8;
constexpr int urgencyNormal = 1;
constexpr int urgencyCritical = 2;

struct LibNotify {
    void* library = nullptr;
    int (*init)(const char*) = nullptr;
    NotifyNotification* (*create)(const char*, const char*, const char*) = nullptr;
    void (*setUrgency)(NotifyNotification*, int) = nullptr;
    int (*show)(NotifyNotification*, GError**) = nullptr;
    void (*unref)(void*) = nullptr;
    void (*freeError)(GError*) = nullptr;
};

template <typename Function>
bool lookUp(void* library, Function& function, const char* name)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// Null where the library or one of its functions is missing.
bool loadLibNotify(LibNotify& notify)
{
    notify.library = dlopen("libnotify.so.4", RTLD_NOW | RTLD_LOCAL);
    if (notify.library == nullptr) return false;
    // GLib's functions come with libnotify's own dependencies.
    if (lookUp(notify.library, notify.init, "notify_init") &&
        lookUp(notify.library, notify.create, "notify_notification_new") &&
        lookUp(notify.library, notify.setUrgency, "notify_notification_set_urgency") &&
        lookUp(notify.library, notify.show, "notify_notification_show") &&
        lookUp(notify.library, notify.unref, "g_object_unref") &&
        lookUp(notify.library, notify.freeError, "g_error_free") && notify.init("AVR-NET-IO Logger"))
        return true;
    dlclose(notify.library);
    notify.library = nullptr;
    return false;
}

void handOn(Notifier& shared)
{
    LibNotify notify;
    const bool loaded = loadLibNotify(notify);
    std::unique_lock held(shared.lock);
    for (;;) {
        shared.wake.wait(held, [&] { return shared.stopping || !shared.notes.empty(); });
        if (shared.stopping) return;
        const Note note = std::move(shared.notes.front());
        shared.notes.pop_front();
        if (!loaded) continue;
        shared.busy = true;
        held.unlock();
        NotifyNotification* shown = notify.create(note.title.c_str(), note.text.c_str(), "avrnetio-logger");
        if (shown != nullptr) {
            notify.setUrgency(shown, note.urgent ? urgencyCritical : urgencyNormal);
            GError* error = nullptr;
            if (!notify.show(shown, &error) && error != nullptr) notify.freeError(error);
            notify.unref(shown);
        }
        held.lock();
        shared.busy = false;
        shared.wake.notify_all();
    }
}

std::string utf8Of(const std::string& latin1)
{
    std::string utf8;
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | byte >> 6);
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

// Without a session bus GLib would start one of its own (dbus-launch) rather than fail.
bool sessionBusKnown()
{
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat status {};
    return runtime != nullptr && stat((std::string(runtime) + "/bus").c_str(), &status) == 0;
}

}  // namespace

namespace platform {

void notifyShow(const std::string& title, const std::string& text, bool urgent)
{
    if (notifier == nullptr) {
        if (!sessionBusKnown()) return;
        notifier = new Notifier;
        notifier->worker = std::thread(handOn, std::ref(*notifier));
    }
    const std::lock_guard held(notifier->lock);
    if (notifier->notes.size() >= queueLimit) return;
    notifier->notes.push_back({utf8Of(title), utf8Of(text), urgent});
    notifier->wake.notify_all();
}

void notifyStop()
{
    if (notifier == nullptr) return;
    std::unique_lock held(notifier->lock);
    notifier->stopping = true;
    notifier->wake.notify_all();
    // A message under way gets a moment; a server that does not answer is not waited for.
    const bool idle = notifier->wake.wait_for(held, std::chrono::seconds(1), [] { return !notifier->busy; });
    held.unlock();
    if (idle) {
        notifier->worker.join();
        delete notifier;
    } else {
        notifier->worker.detach();
    }
    notifier = nullptr;
}

}  // namespace platform
