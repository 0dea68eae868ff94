// Writes numbered lines through the paged and coloured writers, for the
// console tests:  vornel_pagerdemo [/A:hex] [/P...] [/N] [/W:ms] [count]
//   /A:hex the console attribute to start with: the shell's normal colour
//   /P...  the pause switch, as the commands take it
//   /N     no highlight (colour output off)
//   /W:ms  sleep that long before each line, to stop a listing half-way
//   /K     queue presses of Shift, Ctrl, Alt and Caps Lock alone in the
//          console input first: the first page prompt must ignore them
// Each line is "Line NNN word name": "word" in the highlight colour through
// a colour code, "name" in the second highlight through WriteHighlighted.
// Exits like a command: 0 done, 1 bad switch, 3 stopped by the user.
#include <cwchar>
#include <cwctype>
#include <initializer_list>

#include "console/console.h"
#include "frame/plugin.h"

int wmain(int argc, wchar_t** argv)
{
    ResetOutputState();
    unsigned int count = 100, lines = 0, wait = 0;
    bool paged = false, noHighlight = false;
    for (int i = 1; i < argc; ++i) {
        wchar_t* word = argv[i];
        if (towupper(word[1]) == L'P') {
            if (ParsePauseOption(word, &lines))
                return 1;
            paged = true;
        } else if (_wcsicmp(word, L"/N") == 0) {
            noHighlight = true;
        } else if (_wcsnicmp(word, L"/A:", 3) == 0) {
            SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), (WORD)wcstoul(word + 3, nullptr, 16));
        } else if (_wcsicmp(word, L"/K") == 0) {
            for (WORD key : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_CAPITAL}) {
                INPUT_RECORD press{KEY_EVENT};
                press.Event.KeyEvent = {TRUE, 1, key, (WORD)MapVirtualKeyW(key, MAPVK_VK_TO_VSC), {0}, 0};
                DWORD written;
                WriteConsoleInputW(GetStdHandle(STD_INPUT_HANDLE), &press, 1, &written);
            }
        } else if (_wcsnicmp(word, L"/W:", 3) == 0) {
            wait = wcstoul(word + 3, nullptr, 10);
        } else {
            count = wcstoul(word, nullptr, 10);
        }
    }
    OpenConsoleOutput();
    if (paged && lines)
        SetPageLength(lines);
    InitOutputOptions(noHighlight);
    InstallCtrlHandler();

    int result = 0;
    for (unsigned int n = 1; n <= count && result != STOPPED; ++n) {
        if (wait)
            Sleep(wait);
        result = ColorPrintf(L"Line %03u \x12word\x11 ", n);
        if (result != STOPPED) {
            WriteHighlighted(L"name", AltColor);
            result = EndLine();
        }
    }
    RemoveCtrlHandler();
    return result == STOPPED ? 3 : 0;
}
