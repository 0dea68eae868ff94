// The page prompt and the ^C mark: line ends count the page, the prompt
// waits for one key (or the pause time) and acts on it.
#include <algorithm>
#include <cwchar>

#include "console/console.h"
#include "frame/host.h"
#include "frame/owners.h"
#include "frame/plugin.h"

namespace {

bool IsModifierKey(WORD vk)
{
    switch (vk) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
        return true;
    default:
        return false;
    }
}

// The key of a key-down event as WaitForKey reports it: its character, or
// for cursor and function keys (which come as a prefix and a second code on
// a one-key read) 0x10000 plus the scan code. -1 for events that are no key
// press.
int KeyCode(const INPUT_RECORD& record)
{
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown)
        return -1;
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    if (key.uChar.UnicodeChar)
        return key.uChar.UnicodeChar;
    if (IsModifierKey(key.wVirtualKeyCode))
        return -1;
    // Some consoles report Esc and similar keys by virtual key alone.
    if (UINT ch = MapVirtualKeyW(key.wVirtualKeyCode, MAPVK_VK_TO_CHAR) & 0x7FFF)
        return (int)ch;
    return 0x10000 + key.wVirtualScanCode;
}

void PutColors(HANDLE handle, WORD attribute, bool tellHost)
{
    SetConsoleTextAttribute(handle, attribute);
    if (tellHost)
        SetColors(attribute);
}

// Blanks over the prompt: 60, or fewer in a narrower window. A line as wide
// as the window would wrap, and every page would scroll one line too far.
void ClearPromptLine()
{
    constexpr int MOST_BLANKS = 60;
    int blanks = MOST_BLANKS;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(ConsoleOutput.get(), &info))
        blanks = std::clamp(info.srWindow.Right - info.srWindow.Left, 0, MOST_BLANKS);
    wchar_t line[MOST_BLANKS + 3];
    line[0] = L'\r';
    wmemset(line + 1, L' ', blanks);
    line[blanks + 1] = L'\r';
    line[blanks + 2] = L'\0';
    WriteConsoleText(line);
}

}  // namespace

WORD SetCtrlCColor()
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    if (!GetConsoleScreenBufferInfo(ConsoleOutput.get(), &info))
        info = {};
    WORD current = info.wAttributes;
    int bg = (current >> 4) & 0x0F;
    BYTE mark = HighlightTableB[bg];
    if ((current & 0x0F) == mark)
        mark = HighlightTableA[bg];
    PutColors(ConsoleOutput.get(), mark, true);
    return current;
}

int ShowCtrlC()
{
    WORD previous = SetCtrlCColor();
    WriteConsoleText(L"\r ^C \n");
    PutColors(ConsoleOutput.get(), previous, false);
    return STOPPED;
}

int WaitForKey()
{
    // The 64-bit tick count: no deadline wraps, whatever the pause time.
    const ULONGLONG deadline = GetTickCount64() + PauseTime;
    CtrlCSeen = 0;
    // The console's own input, so a redirected standard input cannot
    // answer the prompt.
    vornel::unique_hfile input(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    for (;;) {
        DWORD waited = WAIT_TIMEOUT;
        if (input)
            waited = WaitForSingleObject(input.get(), 10);
        else
            Sleep(10);
        if (waited == WAIT_OBJECT_0) {
            INPUT_RECORD record;
            DWORD read = 0;
            if (!ReadConsoleInputW(input.get(), &record, 1, &read))
                input.reset();
            else if (int key = read == 1 ? KeyCode(record) : -1; key >= 0)
                return key;
        } else if (waited != WAIT_TIMEOUT) {
            input.reset();
        }
        if (CtrlCSeen)
            return 3;
        if (PauseTime && GetTickCount64() >= deadline)
            return ' ';  // a time-out counts as a blank
        // Without console input only the pause time or Ctrl-C could end the
        // wait; with no pause time go on at once as after a time-out.
        if (!input && !PauseTime)
            return ' ';
    }
}

int EndLine()
{
    if (NormalColor)
        PutColors(GetStdHandle(STD_OUTPUT_HANDLE), NormalColor, true);
    CrLf();
    if (CtrlCSeen)
        return ShowCtrlC();
    if (LinesLeft == 0)
        return 0;
    if (--LinesLeft != 0)
        return 0;

    LinesLeft = PageLines;
    WriteConsoleText(L"\r   \x2500\x2500 Press a key to continue \x2500\x2500 ");
    int key = WaitForKey();
    ClearPromptLine();
    switch (key) {
    case 'A':
    case 'a':
    case 'C':
    case 'c':
        PageLines = 0;
        LinesLeft = 0;
        return 0;
    case '/':
        LinesLeft = PageLines / 2;
        return 0;
    case '0':
        LinesLeft = 10;
        return 0;
    case 3:
        return ShowCtrlC();
    case 27:
        return STOPPED;
    default:
        if (key >= '1' && key <= '9')
            LinesLeft = key - '0';
        return 0;
    }
}
