// Window toolkit service on FLTK 1.3 for the X11 desktop: the main window or the settings window
// and their numbered controls, the course window painted from the shapes it keeps, an event queue
// fed by FLTK callbacks and termination signals, the modal dialogs. The save dialog is FLTK's
// native chooser: GTK's where GTK is installed, else FLTK's own.
#include "platform/window.h"

#include "platform/BitmapFile.h"
#include "platform/ControlDump.h"
#include "platform/posix/interrupted.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

// Fl_X, FLTK's record of a shown window, for making the X window here.
#define FL_INTERNALS
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Secret_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_PNG_Image.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>
#include <FL/x.H>

#include "assets/Assets.h"

namespace platform {

struct UiPicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // Fl_RGB_Image draws from these bytes and keeps no copy
    Fl_RGB_Image* image = nullptr;
    Fl_Box* box = nullptr;           // where the main window shows it, while that window lives
};

}  // namespace platform

namespace {

using platform::UiEvent;
using platform::UiPicture;

// The look of the Windows dialog font (MS Shell Dlg, 8 points) and of the bold system font.
// Fontconfig maps Arial to a metric twin (Liberation Sans, Arimo, Nimbus Sans) where there is
// one; the default sans face would be too wide for the narrow date cells.
constexpr Fl_Font guiFont = FL_FREE_FONT;
constexpr Fl_Fontsize guiFontSize = 11;
constexpr Fl_Font systemFont = FL_FREE_FONT + 1;
constexpr Fl_Fontsize systemFontSize = 12;

constexpr Fl_Align textAlignment = FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_CLIP;

enum class Kind { text, button, label, edit, check, choice };

enum class TextUse { label, buttonLabel, mnemonicLabel, title };

struct Control {
    Fl_Widget* widget = nullptr;
    Kind kind = Kind::text;
    TextUse use = TextUse::label;
    std::string text;  // as given, Latin-1; an edit's as it stands
    bool coloured = false;
    std::uint32_t colour = 0;
    std::vector<std::string> items;      // a choice's, Latin-1
    std::vector<std::string> itemTexts;  // the same as FLTK draws them
    std::vector<Fl_Menu_Item> menu;      // points into itemTexts
};

enum class DialogAnswer { pending, accept, decline };

struct FltkUi {
    bool started = false;
    bool display = false;
    int signalPipe[2] = {-1, -1};
    // Once a termination signal came, no dialog waits for the user any more.
    bool terminationRequested = false;
    Fl_Double_Window* window = nullptr;  // the main window or the settings window
    bool dialogWindow = false;           // window is the settings window
    bool hasDefaultButton = false;
    int defaultButton = 0;
    std::map<int, Control> controls;
    std::vector<UiPicture*> shownPictures;
    std::deque<UiEvent> events;
    DialogAnswer dialogAnswer = DialogAnswer::pending;
    const char* dumpPath = nullptr;
    bool dumpStale = false;
    Fl_Double_Window* course = nullptr;  // the course window; hidden once the user closed it
    std::vector<platform::UiShape> courseShapes;
    int courseWidth = 0;  // its client size as last reported
    int courseHeight = 0;
};

FltkUi ui;

// ---- Signals

extern "C" void onTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    if (write(ui.signalPipe[1], &byte, 1) < 0) {
        // A full pipe already holds a wake-up; nothing else can be done in a handler.
    }
    errno = savedErrno;
}

bool openSignalPipe()
{
    if (pipe2(ui.signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        ui.signalPipe[0] = ui.signalPipe[1] = -1;
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a signal must end the wait it interrupts
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return true;
}

// Turns any number of signals since the last look into one close request; a wake-up's byte only
// ends the wait.
void drainSignalPipe()
{
    if (ui.signalPipe[0] < 0) return;
    bool signalled = false;
    char bytes[64];
    ssize_t count = 0;
    while ((count = platform::retryInterrupted([&] { return read(ui.signalPipe[0], bytes, sizeof bytes); })) > 0)
        signalled = signalled || std::find(bytes, bytes + count, 1) != bytes + count;
    if (!signalled) return;
    ui.terminationRequested = true;
    ui.events.push_back({platform::uiEventClose, 0});
}

void onSignalPipeReadable(int, void*) { drainSignalPipe(); }

// ---- Texts

std::string latin1ToUtf8(const std::string& latin1)
{
    const auto length = static_cast<unsigned>(latin1.size());
    const unsigned needed = fl_utf8froma(nullptr, 0, latin1.data(), length);
    std::vector<char> utf8(needed + 1);
    fl_utf8froma(utf8.data(), needed + 1, latin1.data(), length);
    return std::string(utf8.data(), needed);
}

std::string utf8ToLatin1(const char* utf8)
{
    const auto length = static_cast<unsigned>(std::char_traits<char>::length(utf8));
    const unsigned needed = fl_utf8toa(utf8, length, nullptr, 0);
    std::vector<char> latin1(needed + 1);
    fl_utf8toa(utf8, length, latin1.data(), needed + 1);
    return std::string(latin1.data(), needed);
}

// What FLTK is to draw for a Latin-1 text, still in Latin-1: a line break for CR, LF or CR LF;
// a blank for every other control byte (C1 included, which fonts draw as nothing of some
// width); '@' doubled in labels (FLTK draws symbols for it) and '&' on buttons (FLTK marks a
// shortcut with it), so that both show as themselves. A mnemonic label keeps its '&' and "&&",
// which FLTK reads as the caller means them.
std::string plainText(const std::string& latin1, TextUse use)
{
    std::string plain;
    plain.reserve(latin1.size() + 8);
    for (std::size_t i = 0; i < latin1.size(); ++i) {
        const auto byte = static_cast<unsigned char>(latin1[i]);
        if (byte == '\r' || byte == '\n') {
            if (byte == '\r' && i + 1 < latin1.size() && latin1[i + 1] == '\n') ++i;
            plain += use == TextUse::title ? ' ' : '\n';
        } else if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) {
            plain += ' ';
        } else if (byte == '@' && use != TextUse::title) {
            plain += "@@";
        } else if (byte == '&' && use == TextUse::buttonLabel) {
            plain += "&&";
        } else {
            plain += static_cast<char>(byte);
        }
    }
    return plain;
}

std::string displayText(const std::string& latin1, TextUse use)
{
    return latin1ToUtf8(plainText(latin1, use));
}

Fl_Color shownColour(std::uint32_t colour)
{
    return fl_rgb_color(static_cast<uchar>(colour & 0xFF), static_cast<uchar>(colour >> 8 & 0xFF),
                        static_cast<uchar>(colour >> 16 & 0xFF));
}

// ---- Windows

Atom atom(const char* name) { return XInternAtom(fl_display, name, False); }

using Deadline = std::chrono::steady_clock::time_point;

struct FrameExtents {
    int left = 0, right = 0, top = 0, bottom = 0;
};

struct Placement {
    int x, y, width, height;  // of the client area
};

// The frame centred on the primary screen's work area, shrunk to it where it is larger.
Placement placeOnWorkArea(int width, int height, const FrameExtents& frame)
{
    int areaX = 0, areaY = 0, areaWidth = 0, areaHeight = 0;
    Fl::screen_work_area(areaX, areaY, areaWidth, areaHeight, 0);
    const int outerWidth = std::min(width + frame.left + frame.right, areaWidth);
    const int outerHeight = std::min(height + frame.top + frame.bottom, areaHeight);
    return {areaX + (areaWidth - outerWidth) / 2 + frame.left,
            areaY + (areaHeight - outerHeight) / 2 + frame.top,
            std::max(outerWidth - frame.left - frame.right, 1),
            std::max(outerHeight - frame.top - frame.bottom, 1)};
}

// The 32-bit items of a window's property, which Xlib hands over as longs; none when missing.
std::vector<long> propertyItems(Window window, Atom property, Atom type, long most)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> items;
    if (XGetWindowProperty(fl_display, window, property, 0, most, False, type, &actualType, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
        const auto* values = reinterpret_cast<const long*>(data);
        items.assign(values, values + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

bool windowManagerSupports(Atom wanted)
{
    if (!Fl_X::ewmh_supported()) return false;
    const std::vector<long> atoms = propertyItems(RootWindow(fl_display, fl_screen),
                                                  atom("_NET_SUPPORTED"), XA_ATOM, 4096);
    return std::find(atoms.begin(), atoms.end(), static_cast<long>(wanted)) != atoms.end();
}

struct PropertyWait {
    Window window;
    Atom property;
};

Bool isPropertyChange(Display*, XEvent* event, XPointer wanted)
{
    const auto* wait = reinterpret_cast<const PropertyWait*>(wanted);
    return event->type == PropertyNotify && event->xproperty.window == wait->window &&
           event->xproperty.atom == wait->property;
}

// The frame the window manager has drawn or will draw around a window, as far as it said so.
FrameExtents knownFrameExtents(Window window)
{
    const std::vector<long> sides = propertyItems(window, atom("_NET_FRAME_EXTENTS"), XA_CARDINAL, 4);
    if (sides.size() != 4) return {};
    return {static_cast<int>(sides[0]), static_cast<int>(sides[1]), static_cast<int>(sides[2]),
            static_cast<int>(sides[3])};
}

// The frame the window manager will draw around a window not yet mapped, as it answers
// _NET_REQUEST_FRAME_EXTENTS; none without a window manager that answers it.
FrameExtents frameExtents(Window window)
{
    const Atom request = atom("_NET_REQUEST_FRAME_EXTENTS");
    const Atom extents = atom("_NET_FRAME_EXTENTS");
    if (!windowManagerSupports(request)) return {};
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = request;
    message.xclient.format = 32;
    XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
               SubstructureNotifyMask | SubstructureRedirectMask, &message);
    // Window managers answer at once; a bound keeps a slow one from holding up the start.
    const Deadline deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    PropertyWait wait{window, extents};
    XEvent event;
    while (!XCheckIfEvent(fl_display, &event, isPropertyChange, reinterpret_cast<XPointer>(&wait))) {
        const int left = platform::msUntil(deadline);
        if (left == 0) break;
        pollfd connection{ConnectionNumber(fl_display), POLLIN, 0};
        poll(&connection, 1, left);
    }
    return knownFrameExtents(window);
}

// Motif window manager hints: which frame buttons and which window functions to offer.
enum : unsigned long {
    hintFunctions = 1, hintDecorations = 2,
    functionResize = 2, functionMove = 4, functionMinimise = 8, functionMaximise = 16,
    functionClose = 32,
    decorBorder = 2, decorResize = 4, decorTitle = 8, decorMenu = 16, decorMinimise = 32,
    decorMaximise = 64,
};

struct FrameStyle {
    unsigned long functions;
    unsigned long decorations;
};

constexpr FrameStyle mainWindowFrame{functionMove | functionMinimise | functionClose,
                                     decorBorder | decorTitle | decorMenu | decorMinimise};
constexpr FrameStyle closableDialogFrame{functionMove | functionClose,
                                         decorBorder | decorTitle | decorMenu};
constexpr FrameStyle fixedDialogFrame{functionMove, decorBorder | decorTitle};
constexpr FrameStyle courseWindowFrame{
    functionResize | functionMove | functionMinimise | functionMaximise | functionClose,
    decorBorder | decorResize | decorTitle | decorMenu | decorMinimise | decorMaximise};

// FLTK has no call for the frame's buttons. IceWM, Mutter and KWin follow these hints; Openbox
// ignores them, though a fixed size still disables its maximise button.
void setFrameHints(Window window, const FrameStyle& style)
{
    long hints[5] = {static_cast<long>(hintFunctions | hintDecorations),
                     static_cast<long>(style.functions), static_cast<long>(style.decorations), 0, 0};
    const Atom motif = atom("_MOTIF_WM_HINTS");
    XChangeProperty(fl_display, window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(hints), 5);
}

// FLTK writes the title's UTF-8 bytes into the Latin-1 properties too.
void writeLatin1Title(Window window, const std::string& title)
{
    const std::string latin1 = plainText(title, TextUse::title);
    for (const Atom property : {XA_WM_NAME, XA_WM_ICON_NAME})
        XChangeProperty(fl_display, window, property, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(latin1.data()),
                        static_cast<int>(latin1.size()));
}

void setWindowTitle(Fl_Window* window, const std::string& title)
{
    window->copy_label(displayText(title, TextUse::title).c_str());
    if (window->shown()) writeLatin1Title(fl_xid(window), title);
}

constexpr int courseMinWidth = 400;
constexpr int courseMinHeight = 300;

// The course window's frame to the right of the main window's, their tops level, where the work
// area has room; else the window manager's choice. Its size is shrunk into the work area either way.
void placeBesideMainWindow(Fl_Window* window, const FrameExtents& frame)
{
    const Fl_Window* main = ui.window;
    const FrameExtents mainFrame = knownFrameExtents(fl_xid(main));
    int areaX = 0, areaY = 0, areaWidth = 0, areaHeight = 0;
    Fl::screen_work_area(areaX, areaY, areaWidth, areaHeight, main->x() + main->w() / 2,
                         main->y() + main->h() / 2);
    const int width = std::max(std::min(window->w(), areaWidth - frame.left - frame.right), courseMinWidth);
    int height = std::max(std::min(window->h(), areaHeight - frame.top - frame.bottom), courseMinHeight);
    const int left = main->x() + main->w() + mainFrame.right + frame.left;
    const int top = std::max(main->y() - mainFrame.top, areaY) + frame.top;
    if (left + width + frame.right <= areaX + areaWidth) {
        height = std::max(std::min(height, areaY + areaHeight - top - frame.bottom), courseMinHeight);
        window->resize(left, top, width, height);
    } else {
        window->size(width, height);  // no position asked for: the window manager places it
    }
    window->size_range(courseMinWidth, courseMinHeight);
}

enum class Placing { centredFixed, besideMain };

// FLTK maps a window the moment it makes it, with a capitalised class name and UTF-8 bytes in
// the Latin-1 title property. Made here, the window gets its identity before the window manager
// sees it, and its frame is known in time to centre the frame rather than the client area.
void showWindow(Fl_Window* window, const std::string& title, const FrameStyle& style,
                Placing placing = Placing::centredFixed)
{
    Display* display = fl_display;
    XSetWindowAttributes attributes{};
    // The events FLTK asks for on its own top-level windows.
    attributes.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask |
                            KeymapStateMask | FocusChangeMask | ButtonPressMask |
                            ButtonReleaseMask | EnterWindowMask | LeaveWindowMask |
                            PropertyChangeMask | PointerMotionMask;
    attributes.colormap = fl_colormap;
    const Window xid = XCreateWindow(
        display, RootWindow(display, fl_screen), 0, 0, static_cast<unsigned>(window->w()),
        static_cast<unsigned>(window->h()), 0, fl_visual->depth, InputOutput, fl_visual->visual,
        CWBorderPixel | CWColormap | CWEventMask, &attributes);
    Fl_X* shown = Fl_X::set_xid(window, xid);
    window->label(window->label(), window->iconlabel());  // _NET_WM_NAME in UTF-8
    writeLatin1Title(xid, title);
    char programName[] = "avrnetio-logger";
    XClassHint classHint{programName, programName};
    XSetClassHint(display, xid, &classHint);
    Atom deleteWindow = atom("WM_DELETE_WINDOW");
    XSetWMProtocols(display, xid, &deleteWindow, 1);
    XWMHints* hints = XAllocWMHints();
    if (hints != nullptr) {
        hints->input = True;
        hints->flags = InputHint;
        XSetWMHints(display, xid, hints);
        XFree(hints);
    }
    const bool modal = placing == Placing::centredFixed && window != ui.window;
    if (modal && ui.window != nullptr && ui.window->shown()) {
        XSetTransientForHint(display, xid, fl_xid(ui.window));
        Atom modal = atom("_NET_WM_STATE_MODAL");
        XChangeProperty(display, xid, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&modal), 1);
    }
    shown->set_icons();
    setFrameHints(xid, style);

    if (placing == Placing::besideMain) {
        placeBesideMainWindow(window, frameExtents(xid));
    } else {
        const Placement place = placeOnWorkArea(window->w(), window->h(), frameExtents(xid));
        window->resize(place.x, place.y, place.width, place.height);
        // Equal minimum and maximum: a fixed frame without a maximise box.
        window->size_range(place.width, place.height, place.width, place.height);
    }
    // size_range writes FLTK's own Motif hints, so ours follow.
    setFrameHints(xid, style);
    XMapWindow(display, xid);
    window->set_visible();
    const int event = Fl::e_number;
    window->handle(Fl::e_number = FL_SHOW);
    Fl::e_number = event;
    window->redraw();
}

void onMainWindowClose(Fl_Widget*, void*)
{
    // FLTK reports the Escape key here as well; only a real close request counts.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    ui.events.push_back({platform::uiEventClose, 0});
}

// The close box and, unlike the main window, Escape.
void onDialogWindowClose(Fl_Widget*, void*) { ui.events.push_back({platform::uiEventClose, 0}); }

// ---- The course window

// Only the newest of a kind waits in the queue, so that a moving mouse or a dragged frame never
// floods it; it goes to the back, behind what happened before it.
void queueLatest(const UiEvent& event)
{
    std::erase_if(ui.events, [&](const UiEvent& queued) {
        return queued.code == event.code && queued.control == event.control;
    });
    ui.events.push_back(event);
}

void reportCourseSize(int width, int height)
{
    if (width == ui.courseWidth && height == ui.courseHeight) return;
    ui.courseWidth = width;
    ui.courseHeight = height;
    queueLatest({platform::uiEventCourseSize, 0, width, height});
}

void drawCourseShapes(int width, int height)
{
    fl_color(FL_WHITE);
    fl_rectf(0, 0, width, height);
    fl_font(guiFont, guiFontSize);
    for (const platform::UiShape& shape : ui.courseShapes) {
        fl_color(shownColour(shape.colour));
        switch (shape.kind) {
        case platform::UiShapeKind::line:
            // Width 0 is X's fast one-pixel line; width 1 would take its slower wide-line path.
            fl_line_style(FL_SOLID, shape.width > 1 ? shape.width : 0);
            fl_line(shape.x, shape.y, shape.x2, shape.y2);
            break;
        case platform::UiShapeKind::box:
            if (shape.x2 > shape.x && shape.y2 > shape.y)
                fl_rectf(shape.x, shape.y, shape.x2 - shape.x, shape.y2 - shape.y);
            break;
        case platform::UiShapeKind::text: {
            // One line like a title; this fl_draw draws '@' as itself.
            const std::string text = displayText(shape.text, TextUse::title);
            const int textWidth = static_cast<int>(fl_width(text.c_str()) + 0.5);
            const int left = shape.anchor == platform::UiAnchor::left     ? shape.x
                             : shape.anchor == platform::UiAnchor::centre ? shape.x - textWidth / 2
                                                                          : shape.x - textWidth;
            fl_draw(text.c_str(), left, shape.y + fl_height() - fl_descent());
            break;
        }
        }
    }
    fl_line_style(0);
}

// FLTK tells a window of its drawing, its new size and the pointer only through these overrides.
struct CourseWindow : Fl_Double_Window {
    CourseWindow(int width, int height) : Fl_Double_Window(width, height) {}

    void draw() override { drawCourseShapes(w(), h()); }

    void resize(int x, int y, int width, int height) override
    {
        Fl_Double_Window::resize(x, y, width, height);
        if (shown()) reportCourseSize(width, height);
    }

    int handle(int event) override
    {
        switch (event) {
        case FL_PUSH:
            ui.events.push_back({platform::uiEventCoursePointer, 1, Fl::event_x(), Fl::event_y()});
            return 1;
        case FL_ENTER:
        case FL_MOVE:
        case FL_DRAG:
            queueLatest({platform::uiEventCoursePointer, 0, Fl::event_x(), Fl::event_y()});
            return 1;
        case FL_RELEASE:
            return 1;
        default:
            return Fl_Double_Window::handle(event);
        }
    }
};

bool isCourseEvent(const UiEvent& event)
{
    return event.code == platform::uiEventCourseSize || event.code == platform::uiEventCoursePointer ||
           event.code == platform::uiEventCourseClose;
}

void onCourseWindowClose(Fl_Widget* window, void*)
{
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    window->hide();
    // Sizes and places of a window no longer shown would mislead the next one.
    std::erase_if(ui.events, isCourseEvent);
    ui.events.push_back({platform::uiEventCourseClose, 0});
}

void closeCourseWindow()
{
    if (ui.course == nullptr) return;
    ui.course->hide();
    delete ui.course;
    ui.course = nullptr;
    ui.courseShapes.clear();
}

void onButtonPress(Fl_Widget*, long control)
{
    ui.events.push_back({platform::uiEventControl, static_cast<int>(control)});
}

Control* findControl(int control)
{
    const auto found = ui.controls.find(control);
    return found == ui.controls.end() ? nullptr : &found->second;
}

void onCheckClick(Fl_Widget*, long control)
{
    ui.dumpStale = true;
    ui.events.push_back({platform::uiEventControl, static_cast<int>(control)});
}

void onEditChange(Fl_Widget* widget, long control)
{
    Control* found = findControl(static_cast<int>(control));
    if (found == nullptr) return;
    auto* edit = static_cast<Fl_Input*>(widget);
    found->text = utf8ToLatin1(edit->value());
    // A character that Latin-1 lacks shows as the '?' that the program gets.
    const std::string shown = latin1ToUtf8(found->text);
    if (shown != edit->value()) {
        const int fromEnd = edit->size() - edit->position();
        edit->value(shown.data(), static_cast<int>(shown.size()));
        const int at = std::max(edit->size() - fromEnd, 0);
        edit->position(at, at);
    }
    ui.dumpStale = true;
    ui.events.push_back({platform::uiEventChanged, static_cast<int>(control)});
}

void onChoiceChange(Fl_Widget*, long control)
{
    ui.dumpStale = true;
    ui.events.push_back({platform::uiEventChanged, static_cast<int>(control)});
}

// Gives widget the keyboard focus, an edit with its whole text selected, as a dialog does when
// the focus comes with a key.
bool focusOn(Fl_Widget* widget)
{
    if (!widget->take_focus()) return false;
    if (auto* input = dynamic_cast<Fl_Input*>(widget)) input->position(input->size(), 0);
    return true;
}

// The focus to the first control after widget, in the order they were created, that takes it.
void focusAfter(Fl_Widget* widget)
{
    if (ui.window == nullptr) return;
    const int count = ui.window->children();
    const int at = ui.window->find(widget);
    if (at >= count) return;
    for (int step = 1; step < count; ++step)
        if (focusOn(ui.window->child((at + step) % count))) return;
}

// A label is a button without a frame, which FLTK draws with its mnemonic underlined and
// presses on Alt and the letter; it never takes the focus itself but hands it on.
void onLabelMnemonic(Fl_Widget* widget, void*) { focusAfter(widget); }

// Enter in the settings window that no control took presses the focused button, else the
// default button. FLTK would otherwise move the focus down with it.
int dispatchEvent(int event, Fl_Window* window)
{
    const int key = Fl::event_key();
    if (event != FL_SHORTCUT || window != ui.window || !ui.dialogWindow || Fl::modal() != nullptr ||
        (key != FL_Enter && key != FL_KP_Enter) || Fl::event_state(FL_CTRL | FL_ALT | FL_META))
        return Fl::handle_(event, window);
    const Control* pressed = nullptr;
    int number = 0;
    for (const auto& [control, found] : ui.controls)
        if (found.kind == Kind::button && found.widget == Fl::focus()) {
            pressed = &found;
            number = control;
        }
    if (pressed == nullptr && ui.hasDefaultButton) {
        number = ui.defaultButton;
        pressed = findControl(number);
    }
    if (pressed != nullptr && pressed->kind == Kind::button && pressed->widget->active_r())
        ui.events.push_back({platform::uiEventControl, number});
    return 1;
}

// A label without its own background leaves the old text behind unless the window repaints
// the area beneath it.
void repaint(Fl_Widget* widget)
{
    if (ui.window != nullptr)
        ui.window->damage(FL_DAMAGE_ALL, widget->x(), widget->y(), widget->w(), widget->h());
}

void removeControl(int control)
{
    const auto found = ui.controls.find(control);
    if (found == ui.controls.end()) return;
    Fl_Widget* widget = found->second.widget;
    repaint(widget);
    ui.window->remove(widget);
    delete widget;
    ui.controls.erase(found);
}

Control& addControl(int control, Fl_Widget* widget, Kind kind, TextUse use, const std::string& text)
{
    removeControl(control);
    widget->labelfont(guiFont);
    widget->labelsize(guiFontSize);
    if (kind != Kind::edit && kind != Kind::choice) widget->copy_label(displayText(text, use).c_str());
    ui.window->add(widget);
    repaint(widget);
    Control& added = ui.controls[control];
    added.widget = widget;
    added.kind = kind;
    added.use = use;
    added.text = text;
    ui.dumpStale = true;
    return added;
}

// Buttons of the main window show '&' as it is; the settings window's take mnemonics.
TextUse buttonTextUse() { return ui.dialogWindow ? TextUse::mnemonicLabel : TextUse::buttonLabel; }

// ---- Introspection for end-to-end tests

// What the dump shows of a control: a check box's state before its label, a choice's item.
std::string dumpText(const Control& control)
{
    if (control.kind == Kind::check)
        return (static_cast<Fl_Check_Button*>(control.widget)->value() ? "[x] " : "[ ] ") + control.text;
    if (control.kind == Kind::choice) {
        const int chosen = static_cast<Fl_Choice*>(control.widget)->value();
        return chosen >= 0 && chosen < static_cast<int>(control.items.size()) ? control.items[chosen] : "";
    }
    return control.text;
}

// One line per control: number, colour 0xBBGGRR in hex or "-", text; replaced as a whole so
// that a reader never sees half a file.
void writeDumpIfStale()
{
    if (!ui.dumpStale || ui.dumpPath == nullptr) return;
    ui.dumpStale = false;
    std::string content;
    for (const auto& [number, control] : ui.controls)
        platform::appendDumpLine(content, number, control.coloured, control.colour, dumpText(control));
    const std::string temporary = std::string(ui.dumpPath) + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return;
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    if (std::fclose(file) == 0 && written) std::rename(temporary.c_str(), ui.dumpPath);
}

// ---- Dialogs

void onDialogClose(Fl_Widget*, void*) { ui.dialogAnswer = DialogAnswer::decline; }

void onDialogButton(Fl_Widget*, long answer)
{
    ui.dialogAnswer = static_cast<DialogAnswer>(answer);
}

// A modal window, placed when it is shown; the widgets made next go into it.
Fl_Double_Window* beginDialog(const std::string& title, int width, int height)
{
    Fl_Group::current(nullptr);
    auto* dialog = new Fl_Double_Window(0, 0, width, height);
    dialog->copy_label(displayText(title, TextUse::title).c_str());
    dialog->set_modal();
    dialog->callback(onDialogClose);
    return dialog;
}

Fl_Button* addDialogButton(Fl_Button* button, DialogAnswer answer)
{
    button->labelfont(guiFont);
    button->labelsize(guiFontSize);
    button->callback(onDialogButton, static_cast<long>(answer));
    return button;
}

// Shows the dialog and handles events until it is answered; the main window takes no input
// meanwhile. Escape, the close box and a termination signal all decline.
DialogAnswer runDialog(Fl_Double_Window* dialog, const std::string& title, Fl_Widget* focus,
                       const FrameStyle& style)
{
    dialog->end();
    ui.dialogAnswer = DialogAnswer::pending;
    showWindow(dialog, title, style);
    if (focus != nullptr) focus->take_focus();
    while (ui.dialogAnswer == DialogAnswer::pending && !ui.terminationRequested) {
        Fl::wait();
        drainSignalPipe();
    }
    const DialogAnswer answer =
        ui.dialogAnswer == DialogAnswer::pending ? DialogAnswer::decline : ui.dialogAnswer;
    dialog->hide();
    return answer;
}

struct DialogButton {
    const char* label;
    DialogAnswer answer;
    bool isDefault;
};

// A message box without an icon: the wrapped text above a centred row of buttons.
DialogAnswer messageBox(const std::string& title, const std::string& text,
                        const DialogButton* buttons, int buttonCount)
{
    constexpr int margin = 14;
    constexpr int maxTextWidth = 400;
    constexpr int buttonWidth = 80;
    constexpr int buttonHeight = 25;
    constexpr int buttonGap = 8;
    constexpr int labelInset = 3;  // FLTK's own margin on each side of a left-aligned label

    const std::string label = displayText(text, TextUse::label);
    fl_font(guiFont, guiFontSize);
    int textWidth = 0;
    int textHeight = 0;
    fl_measure(label.c_str(), textWidth, textHeight);
    if (textWidth > maxTextWidth) {
        textWidth = maxTextWidth;
        fl_measure(label.c_str(), textWidth, textHeight);
    }
    const int boxWidth = textWidth + 2 * labelInset + 2;
    const int rowWidth = buttonCount * buttonWidth + (buttonCount - 1) * buttonGap;
    const int width = std::max({boxWidth + 2 * margin, rowWidth + 2 * margin, 180});
    const int buttonY = margin + textHeight + margin;
    const int height = buttonY + buttonHeight + margin - 2;

    Fl_Double_Window* dialog = beginDialog(title, width, height);
    auto* message = new Fl_Box(margin - labelInset, margin, boxWidth, textHeight);
    message->box(FL_NO_BOX);
    message->align(FL_ALIGN_LEFT | textAlignment);
    message->labelfont(guiFont);
    message->labelsize(guiFontSize);
    message->copy_label(label.c_str());
    Fl_Widget* focus = nullptr;
    int x = (width - rowWidth) / 2;
    for (int i = 0; i < buttonCount; ++i) {
        const DialogButton& wanted = buttons[i];
        Fl_Button* button =
            wanted.isDefault
                ? new Fl_Return_Button(x, buttonY, buttonWidth, buttonHeight, wanted.label)
                : new Fl_Button(x, buttonY, buttonWidth, buttonHeight, wanted.label);
        addDialogButton(button, wanted.answer);
        if (focus == nullptr) focus = button;
        x += buttonWidth + buttonGap;
    }
    const DialogAnswer answer = runDialog(dialog, title, focus, closableDialogFrame);
    delete dialog;
    return answer;
}

// FLTK's own chooser, shown where GTK 2 is missing, speaks English unless told otherwise; GTK's
// follows the locale. UTF-8.
void germanFileChooser()
{
    Fl_File_Chooser::add_favorites_label = "Zu den Favoriten";
    Fl_File_Chooser::all_files_label = "Alle Dateien (*)";
    Fl_File_Chooser::custom_filter_label = "Eigener Filter";
    Fl_File_Chooser::favorites_label = "Favoriten";
    Fl_File_Chooser::filename_label = "Dateiname:";
    Fl_File_Chooser::filesystems_label = "Dateisysteme";
    Fl_File_Chooser::hidden_label = "Versteckte Dateien";
    Fl_File_Chooser::manage_favorites_label = "Favoriten verwalten";
    Fl_File_Chooser::new_directory_label = "Name des neuen Ordners:";
    Fl_File_Chooser::new_directory_tooltip = "Einen neuen Ordner anlegen.";
    Fl_File_Chooser::preview_label = "Vorschau";
    Fl_File_Chooser::save_label = "Speichern";
    Fl_File_Chooser::show_label = "Zeigen:";
    fl_cancel = "Abbrechen";
}

}  // namespace

namespace platform {

bool uiStart()
{
    if (ui.started) return ui.display;
    ui.started = true;
    const char* dumpPath = std::getenv("AVRNETIO_DUMP_CONTROLS");
    if (dumpPath != nullptr && *dumpPath != '\0') ui.dumpPath = dumpPath;
    openSignalPipe();
    Fl::set_font(guiFont, " Arial");
    Fl::set_font(systemFont, "BArial");
    // FLTK ends the process when it cannot open the display itself.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    fl_open_display(display);
    ui.display = true;
    // Also for the report's chooser of logs.
    germanFileChooser();
    // Every window carries the program's icon, the prompt and the message boxes too; some window
    // managers draw a warning sign for a window without one.
    Fl_PNG_Image icon(nullptr, avrnetioIconPng, static_cast<int>(avrnetioIconPngSize));
    if (icon.w() > 0 && icon.h() > 0 && icon.d() > 0) Fl_Window::default_icon(&icon);  // copied
    if (ui.signalPipe[0] >= 0) Fl::add_fd(ui.signalPipe[0], FL_READ, onSignalPipeReadable);
    Fl::event_dispatch(dispatchEvent);
    return true;
}

UiPicture* uiLoadPicture(const unsigned char* bitmapFile, std::size_t size)
{
    platform::BitmapLayout layout;
    if (!platform::readBitmapLayout(bitmapFile, size, layout)) return nullptr;
    const long width = layout.width;
    const long height = layout.height;

    auto* picture = new UiPicture;
    picture->width = static_cast<int>(width);
    picture->height = static_cast<int>(height);
    picture->rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    unsigned char* out = picture->rgb.data();
    for (long row = 0; row < height; ++row) {
        const long storedRow = layout.bottomUp ? height - 1 - row : row;
        const unsigned char* in =
            bitmapFile + layout.pixelOffset + static_cast<std::size_t>(storedRow) * layout.rowBytes;
        for (long column = 0; column < width; ++column, in += 3) {
            *out++ = in[2];
            *out++ = in[1];
            *out++ = in[0];
        }
    }
    return picture;
}

void uiFreePicture(UiPicture* picture)
{
    if (picture == nullptr) return;
    if (picture->box != nullptr) {
        repaint(picture->box);
        ui.window->remove(picture->box);
        delete picture->box;
        std::erase(ui.shownPictures, picture);
    }
    delete picture->image;
    delete picture;
}

}  // namespace platform

namespace {

void openWindow(const std::string& title, int clientWidth, int clientHeight, bool dialog)
{
    Fl_Group::current(nullptr);
    auto* window = new Fl_Double_Window(0, 0, clientWidth, clientHeight);
    window->end();
    window->copy_label(displayText(title, TextUse::title).c_str());
    window->color(FL_BACKGROUND_COLOR);
    window->callback(dialog ? onDialogWindowClose : onMainWindowClose);
    ui.window = window;
    ui.dialogWindow = dialog;
    showWindow(window, title, mainWindowFrame);
}

}  // namespace

namespace platform {

void uiSetTitle(const std::string& title)
{
    if (ui.window != nullptr) setWindowTitle(ui.window, title);
}

bool uiOpenCourseWindow(const std::string& title, int clientWidth, int clientHeight)
{
    if (ui.window == nullptr || ui.dialogWindow || !ui.window->shown()) return false;
    if (ui.course != nullptr && ui.course->shown()) return true;
    // Opened again after its close box: placed anew, as the first time.
    closeCourseWindow();
    Fl_Group::current(nullptr);
    auto* course =
        new CourseWindow(std::max(clientWidth, courseMinWidth), std::max(clientHeight, courseMinHeight));
    course->end();
    course->resizable(course);
    course->copy_label(displayText(title, TextUse::title).c_str());
    course->callback(onCourseWindowClose);
    ui.course = course;
    ui.courseWidth = ui.courseHeight = 0;
    showWindow(course, title, courseWindowFrame, Placing::besideMain);
    reportCourseSize(course->w(), course->h());
    return true;
}

void uiSetCourseTitle(const std::string& title)
{
    if (ui.course != nullptr) setWindowTitle(ui.course, title);
}

void uiDrawCourse(const std::vector<UiShape>& shapes)
{
    if (ui.course == nullptr || !ui.course->shown()) return;
    ui.courseShapes = shapes;
    ui.course->redraw();
}

bool uiOpenMainWindow(const std::string& title, int clientWidth, int clientHeight)
{
    if (!ui.display) return false;
    if (ui.window != nullptr) return !ui.dialogWindow;
    openWindow(title, clientWidth, clientHeight, false);
    return true;
}

bool uiOpenDialogWindow(const std::string& title, int clientWidth, int clientHeight)
{
    if (!ui.display || ui.window != nullptr) return false;
    openWindow(title, clientWidth, clientHeight, true);
    return true;
}

void uiCreateText(int control, int x, int y, int width, int height, const std::string& text,
                  UiFrame frame, UiAlign align)
{
    if (ui.window == nullptr) return;
    Fl_Group::current(nullptr);
    auto* box = new Fl_Box(x, y, width, height);
    box->box(frame == UiFrame::sunken ? FL_THIN_DOWN_BOX : FL_NO_BOX);
    box->align((align == UiAlign::left ? FL_ALIGN_LEFT : FL_ALIGN_CENTER) | textAlignment);
    box->visible_focus(0);
    addControl(control, box, Kind::text, TextUse::label, text);
}

void uiCreateButton(int control, int x, int y, int width, int height, const std::string& label)
{
    if (ui.window == nullptr) return;
    Fl_Group::current(nullptr);
    auto* button = new Fl_Button(x, y, width, height);
    button->callback(onButtonPress, static_cast<long>(control));
    addControl(control, button, Kind::button, buttonTextUse(), label);
}

void uiCreateLabel(int control, int x, int y, int width, int height, const std::string& text)
{
    if (ui.window == nullptr) return;
    Fl_Group::current(nullptr);
    auto* label = new Fl_Button(x, y, width, height);
    label->box(FL_NO_BOX);
    label->down_box(FL_NO_BOX);
    label->align(FL_ALIGN_LEFT | textAlignment);
    label->visible_focus(0);
    label->callback(onLabelMnemonic);
    addControl(control, label, Kind::label, TextUse::mnemonicLabel, text);
}

void uiCreateEdit(int control, int x, int y, int width, int height, const std::string& text, bool secret)
{
    if (ui.window == nullptr) return;
    Fl_Group::current(nullptr);
    auto* edit = secret ? new Fl_Secret_Input(x, y, width, height) : new Fl_Input(x, y, width, height);
    edit->box(FL_DOWN_BOX);
    edit->textfont(guiFont);
    edit->textsize(guiFontSize);
    const std::string value = latin1ToUtf8(text);
    edit->value(value.data(), static_cast<int>(value.size()));
    edit->when(FL_WHEN_CHANGED);
    edit->callback(onEditChange, static_cast<long>(control));
    addControl(control, edit, Kind::edit, TextUse::label, text);
}

void uiCreateCheck(int control, int x, int y, int width, int height, const std::string& label, bool checked)
{
    if (ui.window == nullptr) return;
    Fl_Group::current(nullptr);
    auto* check = new Fl_Check_Button(x, y, width, height);
    check->value(checked ? 1 : 0);
    check->callback(onCheckClick, static_cast<long>(control));
    addControl(control, check, Kind::check, TextUse::mnemonicLabel, label);
}

void uiCreateChoice(int control, int x, int y, int width, int height, const std::vector<std::string>& choices,
                    int chosen)
{
    if (ui.window == nullptr) return;
    Fl_Group::current(nullptr);
    auto* choice = new Fl_Choice(x, y, width, height);
    choice->textfont(guiFont);
    choice->textsize(guiFontSize);
    choice->callback(onChoiceChange, static_cast<long>(control));
    Control& added = addControl(control, choice, Kind::choice, TextUse::label, "");
    added.items = choices;
    for (const std::string& item : choices) added.itemTexts.push_back(displayText(item, TextUse::buttonLabel));
    added.menu.assign(choices.size() + 1, Fl_Menu_Item{});
    for (std::size_t i = 0; i < choices.size(); ++i) added.menu[i].text = added.itemTexts[i].c_str();
    choice->menu(added.menu.data());
    if (chosen >= 0 && chosen < static_cast<int>(choices.size())) choice->value(chosen);
}

void uiSetDefaultButton(int control)
{
    ui.hasDefaultButton = true;
    ui.defaultButton = control;
}

std::string uiGetText(int control)
{
    const Control* found = findControl(control);
    if (found == nullptr) return {};
    if (found->kind == Kind::edit) return utf8ToLatin1(static_cast<Fl_Input*>(found->widget)->value());
    return found->text;
}

bool uiGetCheck(int control)
{
    const Control* found = findControl(control);
    return found != nullptr && found->kind == Kind::check &&
           static_cast<Fl_Check_Button*>(found->widget)->value() != 0;
}

int uiGetChoice(int control)
{
    const Control* found = findControl(control);
    if (found == nullptr || found->kind != Kind::choice) return -1;
    return static_cast<Fl_Choice*>(found->widget)->value();
}

void uiSetEnabled(int control, bool enabled)
{
    Control* found = findControl(control);
    if (found == nullptr || (found->widget->active() != 0) == enabled) return;
    Fl_Widget* widget = found->widget;
    const bool focused = Fl::focus() == widget;
    if (enabled) {
        widget->activate();
    } else {
        widget->deactivate();
        // FLTK drops the focus of a control it disables; Tab would find nowhere to start.
        if (focused) focusAfter(widget);
    }
    repaint(widget);
}

void uiSetShown(int control, bool shown)
{
    Control* found = findControl(control);
    if (found == nullptr || (found->widget->visible() != 0) == shown) return;
    Fl_Widget* widget = found->widget;
    if (shown) {
        widget->show();
    } else {
        if (Fl::focus() == widget) focusAfter(widget);
        widget->hide();
    }
    if (widget->window() != nullptr) widget->window()->redraw();
}

void uiSetFocus(int control)
{
    Control* found = findControl(control);
    if (found != nullptr) focusOn(found->widget);
}

std::string uiAskSavePath(const std::string& title, const std::string& path)
{
    if (!ui.display || ui.terminationRequested) return {};
    Fl_Native_File_Chooser chooser(Fl_Native_File_Chooser::BROWSE_SAVE_FILE);
    const std::string shownTitle = displayText(title, TextUse::title);
    chooser.title(shownTitle.c_str());
    chooser.filter("CSV-Dateien\t*.csv");
    // No question when the file exists: a log is appended to.
    chooser.options(Fl_Native_File_Chooser::NEW_FOLDER);
    // The path is a text of the window like any other, Latin-1; the file system's names UTF-8.
    const std::string shownPath = latin1ToUtf8(path);
    const std::size_t slash = shownPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : slash == 0 ? "/" : shownPath.substr(0, slash);
    const std::string name = slash == std::string::npos ? shownPath : shownPath.substr(slash + 1);
    if (!folder.empty()) chooser.directory(folder.c_str());
    chooser.preset_file(name.c_str());
    if (chooser.show() != 0 || chooser.filename() == nullptr) return {};
    return utf8ToLatin1(chooser.filename());
}

void uiSetText(int control, const std::string& text)
{
    Control* found = findControl(control);
    if (found == nullptr || found->kind == Kind::choice) return;
    if (found->kind == Kind::edit) {
        auto* edit = static_cast<Fl_Input*>(found->widget);
        found->text = utf8ToLatin1(edit->value());
        if (found->text == text) return;
        const std::string value = latin1ToUtf8(text);
        edit->value(value.data(), static_cast<int>(value.size()));
    } else {
        if (found->text == text) return;
        found->widget->copy_label(displayText(text, found->use).c_str());
    }
    found->text = text;
    repaint(found->widget);
    ui.dumpStale = true;
}

void uiSetTextColour(int control, std::uint32_t colour)
{
    Control* found = findControl(control);
    if (found == nullptr) return;
    colour &= 0xFFFFFF;
    if (found->coloured && found->colour == colour) return;
    found->coloured = true;
    found->colour = colour;
    const Fl_Color shown = shownColour(colour);
    found->widget->labelcolor(shown);
    if (found->kind == Kind::edit) static_cast<Fl_Input*>(found->widget)->textcolor(shown);
    if (found->kind == Kind::choice) static_cast<Fl_Choice*>(found->widget)->textcolor(shown);
    repaint(found->widget);
    ui.dumpStale = true;
}

void uiSetSystemFont(int control)
{
    Control* found = findControl(control);
    if (found == nullptr) return;
    found->widget->labelfont(systemFont);
    found->widget->labelsize(systemFontSize);
    repaint(found->widget);
}

void uiDrawPicture(UiPicture* picture, int x, int y)
{
    if (ui.window == nullptr || picture == nullptr) return;
    if (picture->image == nullptr)
        picture->image = new Fl_RGB_Image(picture->rgb.data(), picture->width, picture->height, 3);
    if (picture->box == nullptr) {
        Fl_Group::current(nullptr);
        picture->box = new Fl_Box(FL_NO_BOX, x, y, picture->width, picture->height, nullptr);
        picture->box->image(picture->image);
        picture->box->align(FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
        picture->box->visible_focus(0);
        ui.window->add(picture->box);
        ui.shownPictures.push_back(picture);
    } else {
        repaint(picture->box);
        picture->box->position(x, y);
    }
    repaint(picture->box);
}

void uiDrawNow()
{
    if (ui.window == nullptr) return;
    // Drawing before the first expose is lost, and the window manager maps the window in its
    // own time: wait for that, within a bound.
    const Deadline deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        const Fl_X* shown = Fl_X::i(ui.window);
        const int left = platform::msUntil(deadline);
        if (shown == nullptr || !shown->wait_for_expose || left == 0) break;
        Fl::wait(static_cast<double>(left) / 1000.0);
    }
    Fl::flush();
}

void uiWake()
{
    const char byte = 0;
    if (ui.signalPipe[1] >= 0 && write(ui.signalPipe[1], &byte, 1) < 0) {
        // A full pipe already holds a wake-up.
    }
}

UiEvent uiTakeEvent(int timeoutMs)
{
    writeDumpIfStale();
    if (ui.events.empty()) {
        timeoutMs = std::max(timeoutMs, 0);
        if (ui.display) {
            if (timeoutMs == 0) {
                Fl::check();
            } else {
                Fl::wait(timeoutMs / 1000.0);
            }
        } else if (ui.signalPipe[0] >= 0) {
            pollfd pipeEnd{ui.signalPipe[0], POLLIN, 0};
            poll(&pipeEnd, 1, timeoutMs);
        } else {
            poll(nullptr, 0, timeoutMs);
        }
    }
    drainSignalPipe();
    if (ui.events.empty()) return {};
    const UiEvent event = ui.events.front();
    ui.events.pop_front();
    return event;
}

void uiMessage(const std::string& title, const std::string& text)
{
    if (!ui.display || ui.terminationRequested) {
        const std::string line = latin1ToUtf8(title) + ": " + latin1ToUtf8(text) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        return;
    }
    static constexpr DialogButton ok[] = {{"OK", DialogAnswer::accept, true}};
    messageBox(title, text, ok, 1);
}

bool uiAskYesNo(const std::string& title, const std::string& text)
{
    if (!ui.display || ui.terminationRequested) return false;
    static constexpr DialogButton yesNo[] = {{"Ja", DialogAnswer::accept, true},
                                           {"Nein", DialogAnswer::decline, false}};
    return messageBox(title, text, yesNo, 2) == DialogAnswer::accept;
}

std::string uiPrompt(const std::string& title, const std::string& message,
                     const std::string& initial)
{
    if (!ui.display || ui.terminationRequested) return {};
    Fl_Double_Window* dialog = beginDialog(title, 300, 130);
    auto* label = new Fl_Box(10, 10, 280, 22);
    label->box(FL_NO_BOX);
    label->align(FL_ALIGN_LEFT | textAlignment);
    label->labelfont(guiFont);
    label->labelsize(guiFontSize);
    label->copy_label(displayText(message, TextUse::label).c_str());
    auto* input = new Fl_Input(10, 32, 275, 21);
    input->box(FL_DOWN_BOX);
    input->textfont(guiFont);
    input->textsize(guiFontSize);
    const std::string value = latin1ToUtf8(initial);
    input->value(value.data(), static_cast<int>(value.size()));
    input->position(input->size(), input->size());
    addDialogButton(new Fl_Return_Button(110, 67, 80, 25, "OK"), DialogAnswer::accept);
    const DialogAnswer answer = runDialog(dialog, title, input, fixedDialogFrame);
    std::string typed;
    if (answer == DialogAnswer::accept) typed = utf8ToLatin1(input->value());
    delete dialog;
    return typed;
}

void uiCloseWindows()
{
    for (UiPicture* picture : ui.shownPictures) picture->box = nullptr;
    ui.shownPictures.clear();
    ui.controls.clear();
    ui.hasDefaultButton = false;
    ui.dialogWindow = false;
    ui.dumpStale = true;
    // What the closed window's controls reported must not reach the next window, whose controls
    // may bear the same numbers; a termination signal's request stays.
    std::erase_if(ui.events, [](const UiEvent& event) {
        return event.code != platform::uiEventClose || !ui.terminationRequested;
    });
    closeCourseWindow();
    if (ui.window == nullptr) return;
    ui.window->hide();
    delete ui.window;
    ui.window = nullptr;
    Fl::flush();
}

}  // namespace platform
