// Window toolkit service: the main window, its numbered text controls and button, the event
// queue, modal message boxes and the interval prompt. Texts are Latin-1 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

inline constexpr int uiEventNone = 0;
inline constexpr int uiEventClose = 16;     // close box, Alt+F4, or a termination signal
inline constexpr int uiEventControl = 273;  // a button press, with its control number

struct UiEvent {
    int code = uiEventNone;
    int control = 0;
};

// Takes at most one event, waiting up to timeoutMs for one to arrive (0: do not wait).
// Repaints and other window work are done meanwhile.
UiEvent uiTakeEvent(int timeoutMs);

// Modal boxes without an icon; the main window takes no input while one is open.
void uiMessage(const std::string& title, const std::string& text);
bool uiAskYesNo(const std::string& title, const std::string& text);

// The modal one-line input dialog; the typed text on OK or Enter, an empty text when cancelled.
std::string uiPrompt(const std::string& title, const std::string& message, const std::string& initial);

// Closes every window of the program.
void uiCloseWindows();

}  // namespace platform
