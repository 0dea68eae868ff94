// Shared command-line routines: the argument splitter, number and sort-key
// parsing, the highlight list and the switches the commands read alike.
#pragma once

#include <windows.h>

inline constexpr int MAX_ARG_LEN = 8192;
inline constexpr int MAX_ARGS = 1024;

inline constexpr unsigned SA_SPLIT_SPACE = 0x01;
inline constexpr unsigned SA_SPLIT_SWITCH = 0x04;
inline constexpr unsigned SA_UPPER = 0x80;

// The words of one split, each pointing into its buffer; they live as long
// as the split. About 28 KB: on the heap, not the host's small stack.
struct SplitWords {
    int count = 0;
    wchar_t* words[MAX_ARGS] = {};
    int lengths[MAX_ARGS] = {};
    wchar_t buffer[MAX_ARG_LEN] = {};
};

// Sort keys: at most 15 letters and the terminator.
inline constexpr int SORT_KEYS_SIZE = 16;
// Highlight pattern lists, texts of "|"-separated patterns.
inline constexpr int HIGHLIGHT_SIZE = 8192;

// The number of words, or -1 (null text, or overflow: the message written
// and no words).
int SplitArguments(const wchar_t* text, unsigned options, SplitWords& split);
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
