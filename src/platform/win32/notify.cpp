// Notification service on Windows: a balloon from the program's icon in the notification area. The
// icon comes with the first message and stays until the end, so that the messages can be told
// apart from other programs' and the last one can still be found there.
#include "platform/notify.h"

#include <windows.h>
#include <shellapi.h>

namespace {

constexpr int programIcon = 1;  // the resource file's icon

struct Notifier {
    HWND window = nullptr;  // the icon's owner, which the shell asks for
    NOTIFYICONDATAW icon{};
    bool shown = false;
};
Notifier notifier;

// Latin-1 is the first 256 code points of UTF-16; the text is cut where the field ends.
template <std::size_t size>
void copyInto(wchar_t (&field)[size], const std::string& latin1)
{
    std::size_t length = 0;
    for (; length + 1 < size && length < latin1.size(); ++length)
        field[length] = static_cast<unsigned char>(latin1[length]);
    field[length] = L'\0';
}

}  // namespace

namespace platform {

void notifyShow(const std::string& title, const std::string& text, bool urgent)
{
    if (notifier.window == nullptr) {
        notifier.window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                          GetModuleHandleA(nullptr), nullptr);
        if (notifier.window == nullptr) return;
        notifier.icon.cbSize = sizeof notifier.icon;
        notifier.icon.hWnd = notifier.window;
        notifier.icon.uID = 1;
        notifier.icon.hIcon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(programIcon),
                                                            IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                            GetSystemMetrics(SM_CYSMICON), 0));
        copyInto(notifier.icon.szTip, "AVR-NET-IO Logger");
    }
    notifier.icon.uFlags = NIF_ICON | NIF_TIP | NIF_INFO;
    copyInto(notifier.icon.szInfoTitle, title);
    copyInto(notifier.icon.szInfo, text);
    notifier.icon.dwInfoFlags = urgent ? NIIF_WARNING : NIIF_INFO;
    notifier.shown = Shell_NotifyIconW(notifier.shown ? NIM_MODIFY : NIM_ADD, &notifier.icon) || notifier.shown;
}

void notifyStop()
{
    if (notifier.shown) Shell_NotifyIconW(NIM_DELETE, &notifier.icon);
    if (notifier.icon.hIcon != nullptr) DestroyIcon(notifier.icon.hIcon);
    if (notifier.window != nullptr) DestroyWindow(notifier.window);
    notifier = Notifier{};
}

}  // namespace platform
