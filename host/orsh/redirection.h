// Redirection of a command's standard output and error to files: `>`, `>>`,
// `2>`, `2>>` and `2>&1`, each a word of its own outside quotes, so that a
// `|` or `>` inside a plug-in's argument (/HL:svc*|expl*) stays an argument.
// Output applies them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orsh {

struct Redirection {
    DWORD stream;       // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE
    bool append;        // >> rather than >
    bool toOutput;      // 2>&1: errors go wherever output goes at that point
    std::wstring file;  // without its quotes
};

// Takes the redirections out of `line`, in their order, leaving the rest of
// the text as it was. False, with `error` set, when an operator has no file
// or a `|` stands as a word of its own: this shell has no pipes.
bool TakeRedirections(std::wstring& line, std::vector<Redirection>* redirections, std::wstring* error);

}  // namespace orsh
