#include "host/orsh/hidden_windows.h"

#include <windows.h>

#include <string>

#include "host/orsh/error.h"
#include "host/orshhost/orshhost_control.h"

namespace orsh {
namespace {

// The private display's name (":N"), empty when the shell is on another.
std::wstring PrivateDisplay()
{
    wchar_t display[64];
    DWORD n = GetEnvironmentVariableW(L"VORNEL_PRIVATE_DISPLAY", display, 64);
    return n > 0 && n < 64 ? std::wstring(display, n) : L"";
}

std::wstring WindowText(HWND window)
{
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, text.data(), (int)text.size()));
    return text;
}

// A message box is a dialog whose text is the static control 0xFFFF.
bool IsMessageBox(HWND window)
{
    wchar_t className[16];
    return GetClassNameW(window, className, 16) && wcscmp(className, L"#32770") == 0 &&
           GetDlgItem(window, 0xFFFF) != nullptr;
}

// The text for standard error: line ends as the console's, and no control
// character that would drive the terminal.
std::wstring Printable(const std::wstring& text)
{
    std::wstring shown;
    for (wchar_t c : text) {
        if (c == L'\n')
            shown += L"\r\n";
        else if (c != L'\r')
            shown += (c < L' ' && c != L'\t') || (c >= 0x7F && c <= 0x9F) ? L'?' : c;
    }
    return shown;
}

void Answer(HWND box)
{
    LRESULT defaultId = SendMessageW(box, DM_GETDEFID, 0, 0);
    int id = HIWORD(defaultId) == DC_HASDEFID ? LOWORD(defaultId) : IDOK;
    std::wstring button;
    for (wchar_t c : WindowText(GetDlgItem(box, id)))
        if (c != L'&')
            button += c;
    Error(L"a message box on the private display %s, answered %s: %s", PrivateDisplay().c_str(), button.c_str(),
          Printable(WindowText(box)).c_str());
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s\r\n", Printable(WindowText(GetDlgItem(box, 0xFFFF))).c_str());
    // Posted: the box's own message loop ends it with that button's result.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(box, id));
}

// Sees each message sent to this thread's windows after it was handled: a
// dialog has its text once its WM_INITDIALOG is done.
LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_INITDIALOG && IsMessageBox(sent->hwnd))
        Answer(sent->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void AnswerHiddenMessageBoxes()
{
    static bool watching = false;
    if (!watching && !PrivateDisplay().empty())
        watching = SetWindowsHookExW(WH_CALLWNDPROCRET, AfterMessage, nullptr, GetCurrentThreadId()) != nullptr;
}

void SayHelpViewerIsHidden()
{
    std::wstring display = PrivateDisplay();
    if (!display.empty())
        Error(L"the help viewer is open on the private display %s; ./orsh taskkill /im hh.exe closes it",
              display.c_str());
}

}  // namespace orsh
