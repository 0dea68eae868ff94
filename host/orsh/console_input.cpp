#include "host/orsh/console_input.h"

namespace orsh {
namespace {

enum State : LONG { Command, Prompt, Program };

volatile LONG state = Command;
volatile LONG interrupted = 0;
// When the last started program ended. The console sends Ctrl-C to every
// process on it, each on a thread of its own, so the shell's copy can come
// a moment after the program it ended is gone: it belonged to the program.
volatile LONG64 programEnded = 0;
constexpr ULONGLONG LateCtrlCMs = 500;

// Some consoles (Wine's) let the read go on after Ctrl-C: an Enter key ends
// it, and the line is then dropped.
void EndTheRead()
{
    INPUT_RECORD keys[2] = {};
    for (int i = 0; i < 2; ++i) {
        keys[i].EventType = KEY_EVENT;
        keys[i].Event.KeyEvent.bKeyDown = i == 0;
        keys[i].Event.KeyEvent.wRepeatCount = 1;
        keys[i].Event.KeyEvent.wVirtualKeyCode = VK_RETURN;
        keys[i].Event.KeyEvent.wVirtualScanCode = 0x1C;
        keys[i].Event.KeyEvent.uChar.UnicodeChar = L'\r';
    }
    DWORD written;
    WriteConsoleInputW(GetStdHandle(STD_INPUT_HANDLE), keys, 2, &written);
}

// While the shell lives no Ctrl-C or Ctrl-Break ends it: at the prompt it
// drops the line; a program the shell waits for gets its own from the
// console, and a plug-in command's handler, registered after this one, is
// asked first. Whatever comes to this handler is the shell's to swallow.
BOOL WINAPI ShellCtrlHandler(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (GetTickCount64() - static_cast<ULONGLONG>(InterlockedCompareExchange64(&programEnded, 0, 0)) < LateCtrlCMs)
        return TRUE;
    if (InterlockedCompareExchange(&state, 0, 0) == Prompt) {
        InterlockedExchange(&interrupted, 1);
        EndTheRead();
    }
    return TRUE;
}

// The handler runs on a thread of its own and may come a little after the
// read that it cut short has returned.
bool WasInterrupted()
{
    for (int i = 0; i < 20 && !InterlockedCompareExchange(&interrupted, 0, 0); ++i)
        Sleep(10);
    return InterlockedExchange(&interrupted, 0) != 0;
}

}  // namespace

void InstallCtrlHandler() { SetConsoleCtrlHandler(ShellCtrlHandler, TRUE); }

ProgramRunning::ProgramRunning() { InterlockedExchange(&state, Program); }
ProgramRunning::~ProgramRunning()
{
    InterlockedExchange64(&programEnded, static_cast<LONG64>(GetTickCount64()));
    InterlockedExchange(&state, Command);
}

ConsoleRead ReadConsoleLine(HANDLE input, std::wstring* line)
{
    line->clear();
    InterlockedExchange(&interrupted, 0);
    InterlockedExchange(&state, Prompt);
    ConsoleRead outcome = ConsoleRead::Line;
    // A line longer than the buffer arrives in several reads.
    wchar_t buffer[1024];
    for (;;) {
        DWORD got = 0;
        BOOL ok = ReadConsoleW(input, buffer, ARRAYSIZE(buffer), &got, nullptr);
        if (InterlockedCompareExchange(&interrupted, 0, 0) || ((!ok || got == 0) && WasInterrupted())) {
            outcome = ConsoleRead::Interrupted;
            break;
        }
        if (!ok || got == 0) {
            outcome = line->empty() ? ConsoleRead::End : ConsoleRead::Line;
            break;
        }
        line->append(buffer, got);
        if (line->back() == L'\n')
            break;
    }
    InterlockedExchange(&state, Command);
    // Where the console did end the read itself, the Enter is still waiting.
    if (outcome == ConsoleRead::Interrupted)
        FlushConsoleInputBuffer(input);
    while (!line->empty() && (line->back() == L'\n' || line->back() == L'\r'))
        line->pop_back();
    return outcome;
}

}  // namespace orsh
