// Everything the shell writes to: its own standard output and error and,
// for one command at a time, the files that command's redirections name.
// The host's writers hand this object all their text, the shell's own and
// the plug-in's. A console gets the text as it is; a file or pipe gets
// UTF-8; a disk file gets it a whole line at a time, under a lock that other
// shells appending to the same file take too, so that no line is torn. The
// first write that fails on a handle is kept until it is reported, and the
// later ones to that handle are dropped.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "frame/owners.h"
#include "host/orsh/redirection.h"

namespace orsh {

class Output {
public:
    // Takes the shell's standard handles as they are now, and all the host's
    // text from now on (there is one such object at a time).
    Output();
    // Writes what waits and closes what a command left open.
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Points the standard handles at the redirections' files for one
    // command; inheritable, so that a started program writes to them too.
    // Opens every file before it empties any, so that when one cannot be
    // opened (or output and errors would go to one file through two
    // handles) no file is changed and none that it created is left; false
    // after an error message then (the command must not run).
    bool Redirect(const std::vector<Redirection>& redirections);

    // Ends the command: writes what waits, puts the shell's handles back,
    // reports a file that a write failed on and closes the files. Returns
    // `result`, or 1 then.
    int EndCommand(int result);

    // Writes what waits for its line end; before a program starts, so that
    // what the shell wrote comes before what the program writes.
    void Flush();

    // Checks the shell's own standard output and error as EndCommand checks
    // the files: a write that failed on either since the last call gets one
    // message (on standard error, when that takes it); true then.
    bool ReportOwnWriteErrors();

private:
    struct Target {  // a handle that text went to
        HANDLE handle;
        std::string pending;  // a disk file's text that waits for its line end
        DWORD failure;        // of the first write that failed, until reported
    };
    struct File {  // a redirection's, open for one command
        vornel::unique_hfile handle;
        std::wstring name;
        bool created;   // did not exist before: removed again if the command does not run
        bool truncate;  // > rather than >>
    };

    static void __cdecl Sink(void* self, HANDLE handle, const wchar_t* text, int length);
    void Write(HANDLE handle, const wchar_t* text, size_t length);
    Target& TargetOf(HANDLE handle);
    void WriteBytes(Target& target, const char* bytes, size_t size, bool disk);
    void FlushLines(Target& target, size_t upTo);
    bool ReportWriteError(HANDLE handle, const std::wstring& name);
    bool Open(const Redirection& r);
    bool Refuse();
    void Restore();
    void CloseFiles();

    HANDLE output_;
    HANDLE error_;
    std::vector<Target> targets_;
    std::vector<File> files_;
};

}  // namespace orsh
