// The words of a command line: blank-separated outside double quotes, and
// the rules built on them that need nothing but the text.
#pragma once

#include <string>
#include <vector>

namespace orsh {

bool IsBlank(wchar_t c);
// The end of the word that starts at `start`: the next blank outside quotes.
size_t WordEnd(const std::wstring& line, size_t start);
// A word without its double quotes.
std::wstring Unquoted(const std::wstring& word);

std::wstring TrimmedLeft(const std::wstring& text);
std::wstring Trimmed(const std::wstring& text);

// The first word (quotes dropped) and the text after it.
void SplitCommand(const std::wstring& line, std::wstring* command, std::wstring* args);

// `rem TEXT` or `:: TEXT`.
bool IsRemark(const std::wstring& line);

// The `exit` argument: a whole number of 32 bits, signed or not, as
// results are; false for any other text.
bool ExitCode(const std::wstring& text, int* code);

// A program's command line after its own name (in quotes or not), quotes
// and all: what a one-shot shell runs.
std::wstring AfterProgramName(const wchar_t* commandLine);

// Names compare without regard to case.
bool IsListed(const std::vector<std::wstring>& names, const std::wstring& name);

}  // namespace orsh
