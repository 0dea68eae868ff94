// Shared command-line routines: the error messages, the argument splitter, the
// usage printer, number and sort-key parsing, and the highlight list.
#pragma once

#include <windows.h>

inline constexpr int MAX_ARG_LEN = 8192;
inline constexpr int MAX_ARGS = 1024;

inline constexpr unsigned SA_SPLIT_SPACE = 0x01;
inline constexpr unsigned SA_SPLIT_SWITCH = 0x04;
inline constexpr unsigned SA_UPPER = 0x80;

// The words of the last split, overwritten by each call.
extern int ArgCount;
extern wchar_t* ArgWords[MAX_ARGS];
extern int ArgLengths[MAX_ARGS];
extern wchar_t ArgBuffer[MAX_ARG_LEN];

// Sort keys: at most 15 letters and the terminator.
inline constexpr int SORT_KEYS_SIZE = 16;
// Highlight pattern lists, texts of "|"-separated patterns.
inline constexpr int HIGHLIGHT_SIZE = 8192;

int SplitArguments(const wchar_t* text, unsigned options);
int ShowUsage(const wchar_t* text, int withVersion);
// Numbers are ASCII digits, or "0x" and ASCII hexadecimal digits: what a
// user types as an ID or a count. Digits of other scripts (full-width ones
// among them) are text, so a word of them is a name.
inline bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
int ParseNumber(const wchar_t* text, unsigned int* value, wchar_t** end);
// A process-ID word: the whole word a number as above. Where a command takes
// "." for its own process, `dot` says so; otherwise "." is no ID. False, and
// *processId untouched, when the word is no ID (a name, perhaps).
enum class DotWord { CurrentProcess, NoId };
bool ParseProcessId(const wchar_t* word, DWORD* processId, DotWord dot = DotWord::NoId);
int ParseSortKeys(const wchar_t* text, const wchar_t* allowed, wchar_t* keys);
int AppendHighlightPattern(const wchar_t* pattern, wchar_t* list);

// Upper-cases a word in place (at most 8192 characters), as messages quote it.
void UpperCaseInPlace(wchar_t* text);

// The system's text for an error code, trailing white space removed, into a
// MESSAGE_SIZE buffer ("Unknown error" for 0xFFFFFFFF, "Error N" for a code
// the system has no text for).
inline constexpr int MESSAGE_SIZE = 1024;
void FormatSystemMessage(DWORD code, wchar_t* message);

// Every error message of the plug-in goes through here: the error prefix
// (the plug-in's name, and in a batch file its name and line), then the
// formatted message, to standard error. Returns 1, the result of a rejected
// command line.
int PrintError(const wchar_t* format, ...);

// Switch readers the commands share. Each returns SWITCH_TAKEN when the
// command goes on, else the command's result: 0 after a help text, 1 after
// an error message.
inline constexpr int SWITCH_TAKEN = -1;
// "/HL:patterns" or "/HL=patterns" adds to the highlight list; without the
// ":" or "=" it is a syntax error naming the word, upper-cased.
int ReadHighlightSwitch(wchar_t* word, wchar_t* list);
// "/O..." (not "/O" alone): a "?" anywhere prints the sort help, otherwise the
// text after "/O" gives the sort keys.
int ReadSortSwitch(const wchar_t* word, const wchar_t* helpText, const wchar_t* allowed, wchar_t* keys);
