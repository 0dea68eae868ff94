// Redirection of a command's standard output and error to files: `>`, `>>`,
// `2>`, `2>>` and `2>&1`, each a word of its own outside quotes, so that a
// `|` or `>` inside a plug-in's argument (/HL:svc*|expl*) stays an argument.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orsh {

// Words of a command line: blank-separated outside double quotes.
bool IsBlank(wchar_t c);
// The end of the word that starts at `start`: the next blank outside quotes.
size_t WordEnd(const std::wstring& line, size_t start);
// A word without its double quotes.
std::wstring Unquoted(const std::wstring& word);

struct Redirection {
    DWORD stream;       // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE
    bool append;        // >> rather than >
    bool toOutput;      // 2>&1: errors go wherever output goes at that point
    std::wstring file;  // without its quotes
};

// Takes the redirections out of `line`, in their order, leaving the rest of
// the text as it was. False, with `error` set, when an operator has no file.
bool TakeRedirections(std::wstring& line, std::vector<Redirection>* redirections, std::wstring* error);

// Points the standard handles at the redirections' files for one command
// and puts the shell's own handles back when it ends. The files are
// inheritable so that a started program writes to them too.
class RedirectedHandles {
public:
    RedirectedHandles();
    ~RedirectedHandles();
    RedirectedHandles(const RedirectedHandles&) = delete;
    RedirectedHandles& operator=(const RedirectedHandles&) = delete;

    // Opens every file; false after an error message when one cannot be
    // opened (the command must not run then).
    bool Apply(const std::vector<Redirection>& redirections);

private:
    HANDLE output_;
    HANDLE error_;
    std::vector<HANDLE> files_;
};

}  // namespace orsh
