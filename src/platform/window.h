// Window toolkit service: the main window, its numbered text controls and button, the event
// queue, modal message boxes and the interval prompt. Texts are Latin-1 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Starts the toolkit. False when no display can be had: then no window opens, message boxes
// go to standard error and a Yes/No question is answered No.
bool uiStart();

// An opaque picture made from a bitmap file image; null when it could not be loaded.
struct UiPicture;
UiPicture* uiLoadPicture(const unsigned char* bitmapFile, std::size_t size);
void uiFreePicture(UiPicture* picture);

// Opens the one main window, centred and shown at once, with the program's icon.
bool uiOpenMainWindow(const std::string& title, int clientWidth, int clientHeight);

// A new title for the open window.
void uiSetTitle(const std::string& title);

enum class UiFrame { plain, sunken };
enum class UiAlign { left, centre };

// Text controls wrap at word boundaries, start a new line at CR and are cut off at the bottom.
void uiCreateText(int control, int x, int y, int width, int height, const std::string& text,
                  UiFrame frame, UiAlign align);
void uiCreateButton(int control, int x, int y, int width, int height, const std::string& label);
// These three ignore a control that does not exist.
void uiSetText(int control, const std::string& text);
void uiSetTextColour(int control, std::uint32_t colour);  // 0x00BBGGRR
void uiSetSystemFont(int control);
// The picture at its own size, top-left corner at (x, y) of the client area.
void uiDrawPicture(UiPicture* picture, int x, int y);

// Puts the main window on screen as it stands now, before the first reading; user input still
// waits for the next uiTakeEvent.
void uiDrawNow();

// The settings window: a window like the main one (centred on the work area, shrunk into it,
// not resizable, the program's icon), but a dialog to the keyboard: Tab and Shift+Tab move
// through the controls in the order they were created, Enter presses the default button, and
// Escape asks to close it as its close box does (an event uiEventClose). Opened only while no
// main window is open; uiCloseWindows closes it, after which a main window may open.
bool uiOpenDialogWindow(const std::string& title, int clientWidth, int clientHeight);

// Controls that only the settings window has. Their texts are Latin-1 as everywhere; in the text
// of a label, a button or a check box '&' marks the next letter as its mnemonic (Alt and the
// letter), "&&" is a plain '&'. uiCreateButton's label takes mnemonics in the settings window too.
// A label whose mnemonic moves the focus to the control created right after it.
void uiCreateLabel(int control, int x, int y, int width, int height, const std::string& text);
// One line of editable text; each change the user makes is an event uiEventChanged. A secret one
// shows its letters as dots.
void uiCreateEdit(int control, int x, int y, int width, int height, const std::string& text, bool secret = false);
// A check box with its label; each click is an event uiEventControl.
void uiCreateCheck(int control, int x, int y, int width, int height, const std::string& label, bool checked);
// A drop-down list of fixed choices; each new choice is an event uiEventChanged.
void uiCreateChoice(int control, int x, int y, int width, int height, const std::vector<std::string>& choices,
                    int chosen);
// The button that Enter presses.
void uiSetDefaultButton(int control);
// An edit's text (uiSetText sets it, without an event), a check box's state, a choice's index.
std::string uiGetText(int control);
bool uiGetCheck(int control);
int uiGetChoice(int control);
void uiSetEnabled(int control, bool enabled);
// A hidden control is neither drawn nor reached by Tab; the settings window shows one page of its
// fields at a time.
void uiSetShown(int control, bool shown);
void uiSetFocus(int control);

// The platform's dialog for saving a CSV file, starting at path: the path chosen, or an empty
// text when it was cancelled. Both as Latin-1 texts, like the window's other texts.
std::string uiAskSavePath(const std::string& title, const std::string& path);

inline constexpr int uiEventNone = 0;
inline constexpr int uiEventClose = 16;     // close box, Alt+F4, or a termination signal
inline constexpr int uiEventControl = 273;  // a button press, with its control number
inline constexpr int uiEventChanged = 768;  // an edit's text or a choice changed, with its number

// The course window's own: closed by the user (the program goes on), resized (its new client
// size in x and y), and the pointer over its client area at (x, y), pressed (control 1) or only
// moved there (control 0).
inline constexpr int uiEventCourseClose = 1001;
inline constexpr int uiEventCourseSize = 1002;
inline constexpr int uiEventCoursePointer = 1003;

struct UiEvent {
    int code = uiEventNone;
    int control = 0;
    int x = 0;
    int y = 0;
};

// Takes at most one event, waiting up to timeoutMs for one to arrive (0: do not wait).
// Repaints and other window work are done meanwhile.
UiEvent uiTakeEvent(int timeoutMs);

// From any thread: the wait of the current or the next uiTakeEvent ends at once, without an event.
void uiWake();

// Modal boxes without an icon; the main window takes no input while one is open.
void uiMessage(const std::string& title, const std::string& text);
bool uiAskYesNo(const std::string& title, const std::string& text);

// The modal one-line input dialog; the typed text on OK or Enter, an empty text when cancelled.
std::string uiPrompt(const std::string& title, const std::string& message, const std::string& initial);

// The course window: a second top-level window beside the main one, resizable, with the
// program's icon, drawn from shapes that the caller lays out. Opened once the main window is;
// closing it by its close box hides it and queues uiEventCourseClose. Its first size arrives as
// uiEventCourseSize, as every later one does.
bool uiOpenCourseWindow(const std::string& title, int clientWidth, int clientHeight);
void uiSetCourseTitle(const std::string& title);

enum class UiShapeKind { line, box, text };
enum class UiAnchor { left, centre, right };

// One shape in client coordinates. A line runs from (x, y) to (x2, y2), width pixels wide; a box
// is filled from (x, y) up to but not including (x2, y2); a text is one line in the small system
// font, its top at y, starting at x, centred on x or ending at x as anchor says.
struct UiShape {
    UiShapeKind kind = UiShapeKind::line;
    int x = 0;
    int y = 0;
    int x2 = 0;
    int y2 = 0;
    std::uint32_t colour = 0;  // 0x00BBGGRR
    int width = 1;
    UiAnchor anchor = UiAnchor::left;
    std::string text;  // Latin-1
};

// The course window's picture from now on, on a white ground in the given order; the window keeps
// it and draws it again, without flicker, whenever it is exposed. Ignored while it is not open.
void uiDrawCourse(const std::vector<UiShape>& shapes);

// Closes every window of the program.
void uiCloseWindows();

}  // namespace platform
