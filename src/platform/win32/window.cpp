// Window toolkit service on Windows (user32, gdi32, comctl32, comdlg32): the main window or the
// settings dialog and their numbered controls, the course window painted from its shapes, an event
// queue fed by the window procedures, the message boxes, the interval prompt and the save dialog.
// Edits take and give their text through the Western code page, as the prompt does; every other
// text goes through the ANSI functions.
// Keep windows.h small and free of the min and max macros; must precede every system header.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN

#include "platform/window.h"

#include "platform/BitmapFile.h"
#include "platform/ControlDump.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>

namespace platform {

struct UiPicture {
    BITMAPINFO info{};
    std::vector<unsigned char> pixels;  // the rows as the file stores them
    bool shown = false;
    int x = 0;
    int y = 0;
};

}  // namespace platform

namespace {

using platform::UiEvent;
using platform::UiPicture;

constexpr char mainWindowClass[] = "AvrNetIoLoggerWindow";
constexpr char courseWindowClass[] = "AvrNetIoCourseWindow";
// The smallest client area of the course window that still holds its span choices and a chart.
constexpr int courseMinWidth = 400;
constexpr int courseMinHeight = 300;
constexpr int programIcon = 1;
// The prompt's UTF-16 texts convert through the Western code page whatever the system's own
// is; it agrees with Latin-1 on every printable character.
constexpr UINT latin1CodePage = 1252;
// A control's child-window id is its number plus this, so that none is IDOK or IDCANCEL, the ids
// the dialog manager sends for Enter and Escape.
constexpr int controlIdBase = 100;

enum class Kind { text, button, label, edit, check, choice };

struct Control {
    HWND handle = nullptr;
    Kind kind = Kind::text;
    std::string text;  // as given, Latin-1; an edit's as it stands now
    std::vector<std::string> choices;
    bool coloured = false;
    COLORREF colour = 0;
};

struct Win32Ui {
    bool started = false;
    std::atomic<DWORD> thread = 0;  // the program's thread, which uiWake's message wakes
    HINSTANCE instance = nullptr;
    ATOM windowClass = 0;
    HFONT guiFont = nullptr;
    HBRUSH faceBrush = nullptr;
    HWND window = nullptr;  // the main window or the settings dialog, never both
    ATOM courseClass = 0;
    HWND course = nullptr;  // the course window, also while its close box has hidden it
    std::vector<platform::UiShape> courseShapes;
    POINT lastMove{-1, -1};  // where the pointer's last move was queued, in the course's client area
    bool dialog = false;
    bool focusPending = false;  // the dialog's first control still to take the focus
    bool settingText = false;   // an edit's change made by the program, not the user
    std::map<int, Control> controls;
    std::vector<UiPicture*> shownPictures;
    std::deque<UiEvent> events;
    std::string promptAnswer;  // the edit field's text when the prompt was accepted
    std::string dumpPath;
    bool dumpStale = false;
    HHOOK boxHook = nullptr;  // set while a message box is being opened
};

Win32Ui ui;

// ---- Placement

// The primary monitor's work area: the screen less its task bars.
RECT workArea()
{
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

// A frame of the given outer size centred on the work area, shrunk to it where it is larger.
RECT placeOnWorkArea(int outerWidth, int outerHeight)
{
    const RECT area = workArea();
    const int width = std::min(outerWidth, static_cast<int>(area.right - area.left));
    const int height = std::min(outerHeight, static_cast<int>(area.bottom - area.top));
    const int left = area.left + (area.right - area.left - width) / 2;
    const int top = area.top + (area.bottom - area.top - height) / 2;
    return {left, top, left + width, top + height};
}

// A frame of the given outer size beside the main window: to its right where the work area has
// room, else to its left, else at the work area's right edge over it; shrunk into the work area.
RECT placeBesideMainWindow(int outerWidth, int outerHeight)
{
    const RECT area = workArea();
    RECT main{};
    GetWindowRect(ui.window, &main);
    const int width = std::min(outerWidth, static_cast<int>(area.right - area.left));
    const int height = std::min(outerHeight, static_cast<int>(area.bottom - area.top));
    int left = main.right;
    if (left + width > area.right) left = main.left - width >= area.left ? main.left - width : area.right - width;
    const int top = std::clamp(static_cast<int>(main.top), static_cast<int>(area.top),
                               static_cast<int>(area.bottom) - height);
    return {left, top, left + width, top + height};
}

// A message box places itself; this hook moves it as it is activated, before it is shown.
LRESULT CALLBACK placeBoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && ui.boxHook != nullptr) {
        HWND box = reinterpret_cast<HWND>(wParam);
        RECT outer{};
        GetWindowRect(box, &outer);
        const RECT place = placeOnWorkArea(outer.right - outer.left, outer.bottom - outer.top);
        SetWindowPos(box, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        UnhookWindowsHookEx(ui.boxHook);
        ui.boxHook = nullptr;
        return 0;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int placedMessageBox(const std::string& title, const std::string& text, UINT type)
{
    ui.boxHook = SetWindowsHookExA(WH_CBT, placeBoxHook, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxA(ui.window, text.c_str(), title.c_str(), type);
    if (ui.boxHook != nullptr) UnhookWindowsHookEx(ui.boxHook);
    ui.boxHook = nullptr;
    return answer;
}

// ---- Texts

std::wstring wideFromLatin1(const std::string& text)
{
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(latin1CodePage, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(needed, 0)), L'\0');
    if (needed > 0) MultiByteToWideChar(latin1CodePage, 0, text.data(), length, wide.data(), needed);
    return wide;
}

std::string latin1FromWide(const std::wstring& wide)
{
    if (wide.empty()) return {};
    const int length = static_cast<int>(wide.size());
    const int needed =
        WideCharToMultiByte(latin1CodePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(needed, 0)), '\0');
    if (needed > 0)
        WideCharToMultiByte(latin1CodePage, 0, wide.data(), length, text.data(), needed, nullptr,
                            nullptr);
    return text;
}

std::string editText(HWND edit)
{
    const int length = GetWindowTextLengthW(edit);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(edit, wide.data(), length + 1);
    wide.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return latin1FromWide(wide);
}

// ---- Controls

Control* findControl(int number)
{
    const auto found = ui.controls.find(number);
    return found == ui.controls.end() ? nullptr : &found->second;
}

Control* controlOf(HWND handle)
{
    Control* control = findControl(GetDlgCtrlID(handle) - controlIdBase);
    return control != nullptr && control->handle == handle ? control : nullptr;
}

// The main window's button shows an '&' as itself; in the dialog it marks the shortcut letter.
std::string buttonLabel(const std::string& text)
{
    if (ui.dialog) return text;
    std::string label;
    label.reserve(text.size() + 2);
    for (const char c : text) {
        label += c;
        if (c == '&') label += '&';
    }
    return label;
}

void removeControl(int number)
{
    const auto found = ui.controls.find(number);
    if (found == ui.controls.end()) return;
    DestroyWindow(found->second.handle);
    ui.controls.erase(found);
    ui.dumpStale = true;
}

HWND addControl(int number, Kind kind, const char* windowClass, DWORD style, DWORD extendedStyle, int x,
                int y, int width, int height, const std::string& text)
{
    removeControl(number);
    // Each of the dialog's controls a group of its own: the arrow keys stay in their control.
    if (ui.dialog) style |= WS_GROUP;
    const std::string shown = kind == Kind::button ? buttonLabel(text) : kind == Kind::edit ? "" : text;
    HWND handle = CreateWindowExA(extendedStyle, windowClass, shown.c_str(), WS_CHILD | WS_VISIBLE | style, x,
                                  y, width, height, ui.window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(number + controlIdBase)),
                                  ui.instance, nullptr);
    if (handle == nullptr) return nullptr;  // a control that could not be made is simply missing
    SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(ui.guiFont), TRUE);
    ui.controls[number] = Control{handle, kind, text, {}, false, 0};
    ui.dumpStale = true;
    return handle;
}

void setEditText(HWND edit, const std::string& text)
{
    ui.settingText = true;
    SetWindowTextW(edit, wideFromLatin1(text).c_str());
    ui.settingText = false;
}

// What the control dump shows: a check box's state before its label, a choice's chosen item.
std::string dumpText(const Control& control)
{
    if (control.kind == Kind::check)
        return (SendMessageA(control.handle, BM_GETCHECK, 0, 0) == BST_CHECKED ? "[x] " : "[ ] ") + control.text;
    if (control.kind == Kind::choice) {
        const LRESULT chosen = SendMessageA(control.handle, CB_GETCURSEL, 0, 0);
        return chosen >= 0 && static_cast<std::size_t>(chosen) < control.choices.size()
                   ? control.choices[static_cast<std::size_t>(chosen)]
                   : std::string();
    }
    return control.text;
}

void forgetWindow()
{
    ui.window = nullptr;
    ui.dialog = false;
    ui.focusPending = false;
    ui.controls.clear();
    for (UiPicture* picture : ui.shownPictures) picture->shown = false;
    ui.shownPictures.clear();
}

// What the user did to a control, as an event; Escape in the dialog asks to close it.
void noteCommand(WPARAM wParam, LPARAM lParam)
{
    if (ui.dialog && LOWORD(wParam) == IDCANCEL) {
        ui.events.push_back({platform::uiEventClose, 0});
        return;
    }
    Control* control = controlOf(reinterpret_cast<HWND>(lParam));
    if (control == nullptr) return;
    const int number = LOWORD(wParam) - controlIdBase;
    const WORD code = HIWORD(wParam);
    if (code == BN_CLICKED && (control->kind == Kind::button || control->kind == Kind::check)) {
        ui.events.push_back({platform::uiEventControl, number});
        ui.dumpStale = control->kind == Kind::check || ui.dumpStale;
    } else if (code == EN_CHANGE && control->kind == Kind::edit && !ui.settingText) {
        control->text = editText(control->handle);
        ui.events.push_back({platform::uiEventChanged, number});
        ui.dumpStale = true;
    } else if (code == CBN_SELCHANGE && control->kind == Kind::choice) {
        ui.events.push_back({platform::uiEventChanged, number});
        ui.dumpStale = true;
    }
}

// Coloured text on the face colour, for the statics, check boxes and read-only edits.
LRESULT colourStatic(WPARAM wParam, LPARAM lParam)
{
    const auto dc = reinterpret_cast<HDC>(wParam);
    const Control* control = controlOf(reinterpret_cast<HWND>(lParam));
    SetTextColor(dc, control != nullptr && control->coloured ? control->colour : GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(ui.faceBrush);
}

// ---- Pictures

void drawPicture(HDC dc, const UiPicture& picture)
{
    const LONG width = picture.info.bmiHeader.biWidth;
    const LONG height = std::abs(picture.info.bmiHeader.biHeight);
    StretchDIBits(dc, picture.x, picture.y, width, height, 0, 0, width, height,
                  picture.pixels.data(), &picture.info, DIB_RGB_COLORS, SRCCOPY);
}

void invalidatePicture(const UiPicture& picture)
{
    if (ui.window == nullptr) return;
    const RECT area{picture.x, picture.y, picture.x + picture.info.bmiHeader.biWidth,
                    picture.y + std::abs(picture.info.bmiHeader.biHeight)};
    InvalidateRect(ui.window, &area, TRUE);
}

// ---- The course window

// A pointer's move or a new size replaces the one still queued, which goes to the end: a moving
// mouse or a dragged border never floods the queue, and the program lays out once for the latest.
void queueLatest(const UiEvent& event)
{
    std::erase_if(ui.events, [&](const UiEvent& queued) {
        return queued.code == event.code && queued.control == event.control;
    });
    ui.events.push_back(event);
}

void queueCourseSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    queueLatest({platform::uiEventCourseSize, 0, static_cast<int>(client.right), static_cast<int>(client.bottom)});
}

void drawCourseShapes(HDC dc, const RECT& client)
{
    auto* const solid = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, RGB(255, 255, 255));
    FillRect(dc, &client, solid);
    SetBkMode(dc, TRANSPARENT);
    const HGDIOBJ originalPen = GetCurrentObject(dc, OBJ_PEN);
    HPEN pen = nullptr;
    COLORREF penColour = 0;
    int penWidth = 0;
    for (const platform::UiShape& shape : ui.courseShapes) {
        const COLORREF colour = shape.colour & 0xFFFFFF;
        switch (shape.kind) {
        case platform::UiShapeKind::line: {
            const int width = std::max(shape.width, 1);
            // A chart's lines come in runs of one colour: one pen for each run.
            if (pen == nullptr || colour != penColour || width != penWidth) {
                HPEN next = CreatePen(PS_SOLID, width, colour);
                SelectObject(dc, next);
                if (pen != nullptr) DeleteObject(pen);
                pen = next;
                penColour = colour;
                penWidth = width;
            }
            MoveToEx(dc, shape.x, shape.y, nullptr);
            LineTo(dc, shape.x2, shape.y2);
            // GDI leaves out a thin line's last pixel, which the line's record includes.
            if (width == 1) SetPixel(dc, shape.x2, shape.y2, colour);
            break;
        }
        case platform::UiShapeKind::box: {
            const RECT box{shape.x, shape.y, shape.x2, shape.y2};
            SetDCBrushColor(dc, colour);
            FillRect(dc, &box, solid);
            break;
        }
        case platform::UiShapeKind::text: {
            const UINT anchor = shape.anchor == platform::UiAnchor::centre  ? TA_CENTER
                                : shape.anchor == platform::UiAnchor::right ? TA_RIGHT
                                                                            : TA_LEFT;
            SetTextAlign(dc, TA_TOP | TA_NOUPDATECP | anchor);
            SetTextColor(dc, colour);
            TextOutA(dc, shape.x, shape.y, shape.text.data(), static_cast<int>(shape.text.size()));
            break;
        }
        }
    }
    SelectObject(dc, originalPen);
    if (pen != nullptr) DeleteObject(pen);
}

// The whole picture is drawn into a bitmap and copied to the screen at once, so that no half of it
// is ever seen.
void paintCourse(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    if (client.right > 0 && client.bottom > 0) {
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
        const HGDIOBJ originalBitmap = SelectObject(memory, bitmap);
        const HGDIOBJ originalFont = SelectObject(memory, ui.guiFont);
        drawCourseShapes(memory, client);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, originalFont);
        SelectObject(memory, originalBitmap);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK courseWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Client coordinates are signed: a captured pointer may lie left of or above the window.
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_CLOSE:
        // Hidden, not destroyed: the logger goes on, and the program may show it again.
        ShowWindow(window, SW_HIDE);
        ui.events.push_back({platform::uiEventCourseClose, 0});
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers every pixel; erasing first would flicker
    case WM_PAINT:
        paintCourse(window);
        return 0;
    case WM_SIZE:
        // A minimised window has no client area to lay out for.
        if (wParam != SIZE_MINIMIZED) queueCourseSize(window);
        return 0;
    case WM_GETMINMAXINFO: {
        RECT outer{0, 0, courseMinWidth, courseMinHeight};
        AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {outer.right - outer.left, outer.bottom - outer.top};
        return 0;
    }
    case WM_LBUTTONDOWN:
        ui.events.push_back({platform::uiEventCoursePointer, 1, x, y});
        return 0;
    case WM_MOUSEMOVE:
        // Windows repeats a move where the pointer stands, when a window appears or the focus moves.
        if (x == ui.lastMove.x && y == ui.lastMove.y) return 0;
        ui.lastMove = {x, y};
        queueLatest({platform::uiEventCoursePointer, 0, x, y});
        return 0;
    case WM_NCDESTROY:
        if (window == ui.course) {
            ui.course = nullptr;
            ui.courseShapes.clear();
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// ---- The window procedures: they record what happened and do the window's own work.

void paintPictures(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    for (const UiPicture* picture : ui.shownPictures) drawPicture(dc, *picture);
    EndPaint(window, &paint);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        // The window stays until the program closes it.
        ui.events.push_back({platform::uiEventClose, 0});
        return 0;
    case WM_COMMAND:
        noteCommand(wParam, lParam);
        return 0;
    case WM_CTLCOLORSTATIC:
        return colourStatic(wParam, lParam);
    case WM_PAINT:
        paintPictures(window);
        return 0;
    case WM_NCDESTROY:
        if (window == ui.window) forgetWindow();
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The settings window is a modeless dialog, so that the dialog manager gives it Tab, Enter,
// Escape and the mnemonics.
INT_PTR CALLBACK dialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return FALSE;  // no control to take the focus yet
    case WM_CLOSE:
        ui.events.push_back({platform::uiEventClose, 0});
        return TRUE;
    case WM_COMMAND:
        noteCommand(wParam, lParam);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return static_cast<INT_PTR>(colourStatic(wParam, lParam));
    case WM_PAINT:
        if (ui.shownPictures.empty()) return FALSE;
        paintPictures(window);
        return TRUE;
    case WM_NCDESTROY:
        if (window == ui.window) forgetWindow();
        return FALSE;
    default:
        return FALSE;
    }
}

// ---- Events

void routeMessage(MSG& message)
{
    if (message.message == WM_QUIT) {
        ui.events.push_back({platform::uiEventClose, 0});
        return;
    }
    // The dialog manager gives the main window Tab, Shift+Tab and the space bar on its button.
    if (ui.window != nullptr && IsDialogMessageA(ui.window, &message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

// Handles what is pending, up to the first message that gives the program an event.
void drainMessages()
{
    MSG message;
    while (ui.events.empty() && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        routeMessage(message);
}

// ---- Introspection for end-to-end tests

// One line per control: number, colour 0xBBGGRR in hex or "-", text; replaced as a whole so
// that a reader never sees half a file.
void writeDumpIfStale()
{
    if (!ui.dumpStale || ui.dumpPath.empty()) return;
    ui.dumpStale = false;
    std::string content;
    for (const auto& [number, control] : ui.controls)
        platform::appendDumpLine(content, number, control.coloured, control.colour, dumpText(control));
    const std::string temporary = ui.dumpPath + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return;
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    if (std::fclose(file) == 0 && written)
        MoveFileExA(temporary.c_str(), ui.dumpPath.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// ---- The interval prompt

constexpr int promptWidth = 300;
constexpr int promptHeight = 130;
constexpr WORD promptMessageId = 100;
constexpr WORD promptEditId = 101;
constexpr WORD buttonClass = 0x0080;
constexpr WORD editClass = 0x0081;
constexpr WORD staticClass = 0x0082;

struct PromptItem {
    WORD id;
    int x, y, width, height;
};

// Pixel geometry; the template's own sizes are in dialog units and only placeholders.
constexpr PromptItem promptItems[] = {
    {promptMessageId, 10, 10, 280, 22},
    {promptEditId, 10, 32, 275, 21},
    {IDOK, 110, 67, 80, 25},
};

// An in-memory dialog template is a sequence of 16-bit words; its items start on 32-bit
// boundaries and its strings are UTF-16.
void appendDword(std::vector<WORD>& words, DWORD value)
{
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
}

void appendString(std::vector<WORD>& words, const std::string& latin1)
{
    for (const wchar_t c : wideFromLatin1(latin1)) words.push_back(static_cast<WORD>(c));
    words.push_back(0);
}

void appendPlaceholderBox(std::vector<WORD>& words)
{
    const WORD box[] = {0, 0, 40, 10};
    words.insert(words.end(), std::begin(box), std::end(box));
}

void appendItem(std::vector<WORD>& words, DWORD style, DWORD extendedStyle, WORD id,
                WORD windowClass, const std::string& text)
{
    if (words.size() % 2 != 0) words.push_back(0);
    appendDword(words, WS_CHILD | WS_VISIBLE | style);
    appendDword(words, extendedStyle);
    appendPlaceholderBox(words);
    words.push_back(id);
    words.push_back(0xFFFF);
    words.push_back(windowClass);
    appendString(words, text);
    words.push_back(0);  // no creation data
}

std::vector<WORD> promptTemplate(const std::string& title, const std::string& message,
                                 const std::string& initial)
{
    // No WS_SYSMENU: neither a system menu nor a close box.
    constexpr DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
    std::vector<WORD> words;
    appendDword(words, style);
    appendDword(words, 0);
    words.push_back(static_cast<WORD>(std::size(promptItems)));
    appendPlaceholderBox(words);
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    appendString(words, title);
    appendItem(words, SS_LEFT | SS_NOPREFIX, 0, promptMessageId, staticClass, message);
    appendItem(words, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, promptEditId,
               editClass, initial);
    appendItem(words, BS_DEFPUSHBUTTON | WS_TABSTOP, 0, IDOK, buttonClass, "OK");
    return words;
}

// The settings window: the main window's frame, shown only once it is placed, and no items:
// the controls come one by one.
std::vector<WORD> dialogWindowTemplate(const std::string& title)
{
    std::vector<WORD> words;
    appendDword(words, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    appendDword(words, 0);
    words.push_back(0);
    appendPlaceholderBox(words);
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    appendString(words, title);
    return words;
}

void placePrompt(HWND dialog)
{
    const RECT place = placeOnWorkArea(promptWidth, promptHeight);
    SetWindowPos(dialog, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (const PromptItem& item : promptItems) {
        HWND handle = GetDlgItem(dialog, item.id);
        MoveWindow(handle, item.x, item.y, item.width, item.height, FALSE);
        SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(ui.guiFont), FALSE);
    }
    HWND edit = GetDlgItem(dialog, promptEditId);
    SetFocus(edit);
    const auto end = static_cast<WPARAM>(GetWindowTextLengthA(edit));
    SendMessageA(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
}

INT_PTR CALLBACK promptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        placePrompt(dialog);
        return FALSE;  // the focus is set already
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            ui.promptAnswer = editText(GetDlgItem(dialog, promptEditId));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

// Owned by the main window, a box keeps it from taking input; without one, the whole task.
UINT modality() { return ui.window != nullptr ? MB_APPLMODAL : MB_TASKMODAL; }

}  // namespace

namespace platform {

bool uiStart()
{
    if (ui.started) return true;
    ui.started = true;
    ui.thread = GetCurrentThreadId();
    char dumpPath[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("AVRNETIO_DUMP_CONTROLS", dumpPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH) ui.dumpPath.assign(dumpPath, length);

    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    ui.instance = GetModuleHandleA(nullptr);
    ui.guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    ui.faceBrush = GetSysColorBrush(COLOR_BTNFACE);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = ui.instance;
    windowClass.hIcon = LoadIconA(ui.instance, MAKEINTRESOURCEA(programIcon));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = mainWindowClass;
    ui.windowClass = RegisterClassExA(&windowClass);
    // No background brush: its painting covers the whole client area.
    windowClass.lpfnWndProc = courseWindowProc;
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = courseWindowClass;
    ui.courseClass = RegisterClassExA(&windowClass);
    return true;
}

UiPicture* uiLoadPicture(const unsigned char* bitmapFile, std::size_t size)
{
    platform::BitmapLayout layout;
    if (!platform::readBitmapLayout(bitmapFile, size, layout)) return nullptr;

    auto* picture = new UiPicture;
    BITMAPINFOHEADER& header = picture->info.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = layout.width;
    // The device takes rows stored either way up: a negative height says top row first.
    header.biHeight = layout.bottomUp ? layout.height : -layout.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    picture->pixels.assign(bitmapFile + layout.pixelOffset,
                           bitmapFile + layout.pixelOffset + layout.pixelBytes);
    return picture;
}

void uiFreePicture(UiPicture* picture)
{
    if (picture == nullptr) return;
    if (picture->shown) {
        invalidatePicture(*picture);
        std::erase(ui.shownPictures, picture);
    }
    delete picture;
}

void uiSetTitle(const std::string& title)
{
    if (ui.window != nullptr) SetWindowTextA(ui.window, title.c_str());
}

bool uiOpenMainWindow(const std::string& title, int clientWidth, int clientHeight)
{
    if (ui.windowClass == 0) return false;
    if (ui.window != nullptr) return !ui.dialog;
    // A fixed frame: no sizing border and no maximise box.
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&outer, style, FALSE);
    const RECT place = placeOnWorkArea(outer.right - outer.left, outer.bottom - outer.top);
    HWND window = CreateWindowExA(0, mainWindowClass, title.c_str(), style, place.left, place.top,
                                  place.right - place.left, place.bottom - place.top, nullptr,
                                  nullptr, ui.instance, nullptr);
    if (window == nullptr) return false;
    ui.window = window;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return true;
}

bool uiOpenDialogWindow(const std::string& title, int clientWidth, int clientHeight)
{
    if (!ui.started) return false;
    if (ui.window != nullptr) return ui.dialog;
    const std::vector<WORD> words = dialogWindowTemplate(title);
    HWND window = CreateDialogIndirectParamA(ui.instance, reinterpret_cast<LPCDLGTEMPLATEA>(words.data()),
                                             nullptr, dialogWindowProc, 0);
    if (window == nullptr) return false;
    ui.window = window;
    ui.dialog = true;
    ui.focusPending = true;
    const auto icon = [&](int size) {
        return reinterpret_cast<LPARAM>(LoadImageA(ui.instance, MAKEINTRESOURCEA(programIcon), IMAGE_ICON,
                                                   GetSystemMetrics(size), GetSystemMetrics(size), 0));
    };
    SendMessageA(window, WM_SETICON, ICON_BIG, icon(SM_CXICON));
    SendMessageA(window, WM_SETICON, ICON_SMALL, icon(SM_CXSMICON));
    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    const RECT place = placeOnWorkArea(outer.right - outer.left, outer.bottom - outer.top);
    SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return true;
}

void uiCreateText(int control, int x, int y, int width, int height, const std::string& text,
                  UiFrame frame, UiAlign align)
{
    if (ui.window == nullptr) return;
    // No prefix: an '&' from the board shows as itself.
    const DWORD style = SS_NOPREFIX | (frame == UiFrame::sunken ? SS_SUNKEN : 0) |
                        (align == UiAlign::centre ? SS_CENTER : SS_LEFT);
    addControl(control, Kind::text, "STATIC", style, 0, x, y, width, height, text);
}

void uiCreateButton(int control, int x, int y, int width, int height, const std::string& label)
{
    if (ui.window == nullptr) return;
    addControl(control, Kind::button, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, x, y, width, height, label);
}

void uiCreateLabel(int control, int x, int y, int width, int height, const std::string& text)
{
    if (ui.window == nullptr) return;
    addControl(control, Kind::label, "STATIC", SS_LEFT, 0, x, y, width, height, text);
}

void uiCreateEdit(int control, int x, int y, int width, int height, const std::string& text, bool secret)
{
    if (ui.window == nullptr) return;
    HWND edit = addControl(control, Kind::edit, "EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | (secret ? ES_PASSWORD : 0),
                           WS_EX_CLIENTEDGE, x, y, width, height, text);
    if (edit != nullptr) setEditText(edit, text);
}

void uiCreateCheck(int control, int x, int y, int width, int height, const std::string& label, bool checked)
{
    if (ui.window == nullptr) return;
    HWND check = addControl(control, Kind::check, "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, x, y, width, height,
                            label);
    if (check != nullptr) SendMessageA(check, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void uiCreateChoice(int control, int x, int y, int width, int height, const std::vector<std::string>& choices,
                    int chosen)
{
    if (ui.window == nullptr) return;
    HWND choice = addControl(control, Kind::choice, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, x,
                             y, width, height, {});
    if (choice == nullptr) return;
    ui.controls[control].choices = choices;
    for (const std::string& item : choices) SendMessageA(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(choice, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    // The height of a combo box's window is that of its open list; the closed box takes the
    // height asked for through the height of its field.
    const auto item = static_cast<int>(SendMessageA(choice, CB_GETITEMHEIGHT, 0, 0));
    const int shown = static_cast<int>(std::clamp<std::size_t>(choices.size(), 1, 10));
    SetWindowPos(choice, nullptr, 0, 0, width, height + shown * std::max(item, 1) + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The field's height is set and the box measured: the frame around it differs between versions.
    int field = height - 6;
    for (int tries = 0; tries < 2 && field > 0; ++tries) {
        SendMessageA(choice, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
        RECT closed{};
        GetWindowRect(choice, &closed);
        if (closed.bottom - closed.top == height) break;
        field += height - static_cast<int>(closed.bottom - closed.top);
    }
}

void uiSetDefaultButton(int control)
{
    const Control* found = findControl(control);
    if (found == nullptr || !ui.dialog || found->kind != Kind::button) return;
    SendMessageA(ui.window, DM_SETDEFID, static_cast<WPARAM>(control + controlIdBase), 0);
}

std::string uiGetText(int control)
{
    const Control* found = findControl(control);
    if (found == nullptr) return {};
    return found->kind == Kind::edit ? editText(found->handle) : found->text;
}

bool uiGetCheck(int control)
{
    const Control* found = findControl(control);
    return found != nullptr && found->kind == Kind::check &&
           SendMessageA(found->handle, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int uiGetChoice(int control)
{
    const Control* found = findControl(control);
    if (found == nullptr || found->kind != Kind::choice) return -1;
    return static_cast<int>(SendMessageA(found->handle, CB_GETCURSEL, 0, 0));
}

void uiSetEnabled(int control, bool enabled)
{
    const Control* found = findControl(control);
    if (found == nullptr) return;
    // A disabled control keeps no focus that the keyboard could not move on from.
    if (!enabled && ui.dialog && GetFocus() == found->handle) SendMessageA(ui.window, WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(found->handle, enabled ? TRUE : FALSE);
}

void uiSetShown(int control, bool shown)
{
    const Control* found = findControl(control);
    if (found == nullptr) return;
    if (!shown && ui.dialog && GetFocus() == found->handle) SendMessageA(ui.window, WM_NEXTDLGCTL, 0, FALSE);
    ShowWindow(found->handle, shown ? SW_SHOWNA : SW_HIDE);
}

void uiSetFocus(int control)
{
    const Control* found = findControl(control);
    if (found == nullptr) return;
    ui.focusPending = false;
    // Through the dialog manager, which keeps the default button and an edit's selection right.
    if (ui.dialog) {
        SendMessageA(ui.window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(found->handle), TRUE);
    } else {
        SetFocus(found->handle);
    }
}

std::string uiAskSavePath(const std::string& title, const std::string& path)
{
    std::string name(std::max<std::size_t>(path.size() + 1, 32 * 1024), '\0');
    std::copy(path.begin(), path.end(), name.begin());
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = ui.window;
    dialog.lpstrFilter = "Logdateien (*.csv)\0*.csv;*.CSV\0Alle Dateien\0*.*\0";
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = "csv";
    // No question whether to overwrite: the logger appends to a log that exists.
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&dialog)) return {};
    return name.c_str();
}

void uiSetText(int control, const std::string& text)
{
    Control* found = findControl(control);
    if (found == nullptr || found->kind == Kind::choice) return;
    if (found->kind == Kind::edit) {
        found->text = text;
        if (editText(found->handle) != text) setEditText(found->handle, text);
        ui.dumpStale = true;
        return;
    }
    if (found->text == text) return;
    found->text = text;
    SetWindowTextA(found->handle, (found->kind == Kind::button ? buttonLabel(text) : text).c_str());
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
    InvalidateRect(found->handle, nullptr, TRUE);
    ui.dumpStale = true;
}

void uiSetSystemFont(int control)
{
    Control* found = findControl(control);
    if (found == nullptr) return;
    // A control without a font of its own draws in the stock system font.
    SendMessageA(found->handle, WM_SETFONT, 0, TRUE);
}

void uiDrawPicture(UiPicture* picture, int x, int y)
{
    if (ui.window == nullptr || picture == nullptr) return;
    if (picture->shown) {
        invalidatePicture(*picture);
    } else {
        picture->shown = true;
        ui.shownPictures.push_back(picture);
    }
    picture->x = x;
    picture->y = y;
    invalidatePicture(*picture);
    UpdateWindow(ui.window);
}

void uiDrawNow()
{
    // The controls are child windows that would paint only when the queue is next drained.
    if (ui.window != nullptr) RedrawWindow(ui.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void uiWake()
{
    // A thread message ends MsgWaitForMultipleObjectsEx's wait; no window takes it.
    if (const DWORD thread = ui.thread; thread != 0) PostThreadMessageA(thread, WM_NULL, 0, 0);
}

UiEvent uiTakeEvent(int timeoutMs)
{
    // The dialog's first control takes the focus once the program has made them all; while the
    // dialog is not active, it is the dialog manager's to give on activation.
    if (ui.focusPending && GetActiveWindow() == ui.window) {
        ui.focusPending = false;
        if (!IsChild(ui.window, GetFocus()))
            SendMessageA(ui.window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetNextDlgTabItem(ui.window, nullptr, FALSE)),
                         TRUE);
    }
    writeDumpIfStale();
    drainMessages();
    if (ui.events.empty() && timeoutMs > 0) {
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(timeoutMs), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
        drainMessages();
    }
    if (ui.events.empty()) return {};
    const UiEvent event = ui.events.front();
    ui.events.pop_front();
    return event;
}

void uiMessage(const std::string& title, const std::string& text)
{
    placedMessageBox(title, text, MB_OK | modality());
}

bool uiAskYesNo(const std::string& title, const std::string& text)
{
    return placedMessageBox(title, text, MB_YESNO | modality()) == IDYES;
}

std::string uiPrompt(const std::string& title, const std::string& message,
                     const std::string& initial)
{
    const std::vector<WORD> dialog = promptTemplate(title, message, initial);
    ui.promptAnswer.clear();
    const INT_PTR answer = DialogBoxIndirectParamA(
        ui.instance, reinterpret_cast<LPCDLGTEMPLATEA>(dialog.data()), ui.window, promptProc, 0);
    std::string typed;
    if (answer == IDOK) typed.swap(ui.promptAnswer);
    return typed;
}

bool uiOpenCourseWindow(const std::string& title, int clientWidth, int clientHeight)
{
    if (ui.courseClass == 0 || ui.window == nullptr || ui.dialog) return false;
    if (ui.course == nullptr) {
        constexpr DWORD style = WS_OVERLAPPEDWINDOW;
        RECT outer{0, 0, std::max(clientWidth, courseMinWidth), std::max(clientHeight, courseMinHeight)};
        AdjustWindowRect(&outer, style, FALSE);
        const RECT place = placeBesideMainWindow(outer.right - outer.left, outer.bottom - outer.top);
        ui.course = CreateWindowExA(0, courseWindowClass, title.c_str(), style, place.left, place.top,
                                    place.right - place.left, place.bottom - place.top, nullptr, nullptr,
                                    ui.instance, nullptr);
        if (ui.course == nullptr) return false;
    } else {
        SetWindowTextA(ui.course, title.c_str());
    }
    ui.lastMove = {-1, -1};
    // The main window keeps the keyboard, and with it its button's space bar.
    ShowWindow(ui.course, SW_SHOWNOACTIVATE);
    UpdateWindow(ui.course);
    // Exactly one size after opening, whether or not showing it sent one.
    queueCourseSize(ui.course);
    return true;
}

void uiSetCourseTitle(const std::string& title)
{
    if (ui.course != nullptr) SetWindowTextA(ui.course, title.c_str());
}

void uiDrawCourse(const std::vector<UiShape>& shapes)
{
    if (ui.course == nullptr || !IsWindowVisible(ui.course)) return;
    ui.courseShapes = shapes;
    // Not erased: the paint covers it all.
    InvalidateRect(ui.course, nullptr, FALSE);
}

void uiCloseWindows()
{
    if (ui.window == nullptr && ui.course == nullptr) return;
    if (ui.course != nullptr) DestroyWindow(ui.course);
    if (ui.window != nullptr) {
        HWND window = ui.window;
        forgetWindow();
        DestroyWindow(window);
    }
    // What the user did to the closed windows is no longer for the program.
    ui.events.clear();
}

}  // namespace platform
