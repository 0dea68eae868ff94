// Console output: the per-command output state (colours, page length, pause
// time) and the writers that colour, page and stop the listings.
#pragma once

#include <windows.h>

#include <cstdarg>

// Writer result when the user stopped the output (Ctrl-C, Ctrl-Break, Esc).
inline constexpr int STOPPED = -3;

// Colour codes inside ColorPrintf formats; each switches the colour of the
// text after it and is not printed.
inline constexpr wchar_t CC_NORMAL = 0x11;
inline constexpr wchar_t CC_HIGHLIGHT = 0x12;
inline constexpr wchar_t CC_REVERSE = 0x13;
inline constexpr wchar_t CC_REVERSE_HIGHLIGHT = 0x14;
inline constexpr wchar_t CC_ALT = 0x15;
inline constexpr wchar_t CC_REVERSE_ALT = 0x16;

// Output state, reset by every command at its start. NormalColor 0 means
// colour output is off for the command.
extern BYTE NormalColor, HighlightColor, AltColor;
extern BYTE ReverseNormalColor, ReverseHighlightColor, ReverseAltColor;
extern unsigned int PageLines, LinesLeft, PauseTime;

// Set by CtrlHandler on the console's thread, read by the host's thread.
extern volatile LONG CtrlCSeen;
extern LONG CtrlHandlerInstalled;

// Fallback attribute tables indexed by the normal background colour.
extern const BYTE HighlightTableA[16], HighlightTableB[16], HighlightTableC[16];

// Output options.
int ParsePauseOption(wchar_t* word, unsigned int* lines);
unsigned int SetPageLength(unsigned int requested);
int InitOutputOptions(int noHighlight);

// The colour choice of InitOutputOptions without the console checks: fills
// the six colour bytes from the shell's normal attribute and the highlight
// setting text (null when none was found); returns the highlight, 0 when
// colour output stays off.
int ChooseOutputColors(unsigned int normal, const wchar_t* setting);

// The "Highlight" setting: the environment first, then the registry.
// Returns 1 with the text in `text` (HIGHLIGHT_SETTING_SIZE characters: up
// to 1024 and the terminator), 0 when no usable setting exists.
inline constexpr int HIGHLIGHT_SETTING_SIZE = 1025;
int FindHighlightSetting(wchar_t* text);

// Resets PageLines, LinesLeft, PauseTime and CtrlCSeen: every command's first step.
void ResetOutputState();

// Paged and highlighted writer.
BOOL WINAPI CtrlHandler(DWORD event);
int InstallCtrlHandler();  // clears CtrlCSeen, registers unless installed
int RemoveCtrlHandler();
WORD SetCtrlCColor();
int ShowCtrlC();
int WaitForKey();
int EndLine();
int WriteHighlighted(const wchar_t* text, BYTE attribute);
int WriteColored(BYTE attribute, const wchar_t* text);
int PagedPrintf(const wchar_t* format, va_list args);
int ColorPrintf(const wchar_t* format, ...);

// Writes text straight to the console screen (not through standard output).
void WriteConsoleText(const wchar_t* text);
