// Redirection of a command's standard output and error to files: `>`, `>>`,
// `2>`, `2>>` and `2>&1`, each a word of its own outside quotes, so that a
// `|` or `>` inside a plug-in's argument (/HL:svc*|expl*) stays an argument.
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

    // Opens every file before it empties any, so that when one cannot be
    // opened (or output and errors would go to one file through two
    // handles) no file is changed; false after an error message then (the
    // command must not run).
    bool Apply(const std::vector<Redirection>& redirections);

    // Ends the command: writes what waits, puts the shell's handles back and
    // reports a file that a write failed on. Returns `result`, or 1 then.
    int Finish(int result);

private:
    struct File {
        HANDLE handle;
        std::wstring name;
        bool created;   // did not exist before: removed again if the command does not run
        bool truncate;  // > rather than >>
    };
    bool Open(const Redirection& r);
    bool Refuse();
    void Restore();

    HANDLE output_;
    HANDLE error_;
    std::vector<File> files_;
};

// Checks the shell's own standard output and error as Finish checks the
// files: a write that failed on either since the last call gets one message
// (on standard error, when that takes it); true then.
bool ReportOwnWriteErrors();

}  // namespace orsh
