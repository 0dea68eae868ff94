// Starting programs from the tests: orsh.exe with a command line (capturing
// standard output and error exactly), and the test helper program, whose
// children, threads and windows the tests then look at.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vornel::test {

struct RunResult {
    std::string out;   // standard output bytes (UTF-8 when redirected)
    std::string err;   // standard error bytes
    DWORD exitCode = 0xFFFFFFFF;
    bool timedOut = false;
};

// Directory of the running test program, where the build puts every binary.
std::wstring BinDir();
std::wstring BinPath(const wchar_t* file);

enum class InputFrom { Pipe, File };

// Runs a full command line with pipes for standard output and error, and
// `input` on standard input through a pipe or a file; waits at most
// timeoutMs, then kills the process. Inheritable `output` and `errors`
// handles, when given, take the place of the pipes and are closed.
RunResult RunProcess(const std::wstring& commandLine, const std::string& input = {},
                     DWORD timeoutMs = 60000, InputFrom from = InputFrom::Pipe, HANDLE output = nullptr,
                     HANDLE errors = nullptr);

// orsh.exe ARGS (one transient command line).
RunResult RunOrsh(const std::wstring& args, DWORD timeoutMs = 60000);
// orsh.exe ARGS with its standard output and/or errors on Z:\dev\full,
// where every write fails with a full disk.
RunResult RunOrshOnFullDevice(const std::wstring& args, bool output, bool errors);
// orsh.exe with no arguments reading the lines of `input`: from a file it is
// an interactive shell; from a pipe, a shell that is a stage of a pipe.
RunResult RunOrshInteractive(const std::string& input, InputFrom from = InputFrom::File,
                             DWORD timeoutMs = 60000);

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);
// A number in full-width digits (U+FF10 to U+FF19): what a user may type
// that looks like an ID and is not one.
std::wstring FullWidthDigits(DWORD value);

// The test helper program, started with pipes. It prints one line per
// process it creates ("pid N", "child N", "thread N", "window HWND") and
// "ready" when everything exists; it ends when its standard input closes or
// when killed. Kill() ends it and every child it reported. `program` is a
// copy of the helper under another name (empty: the helper itself).
class Helper {
public:
    explicit Helper(const std::wstring& args, const std::wstring& program = {});
    ~Helper();
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    DWORD pid() const { return pid_; }
    const std::vector<DWORD>& children() const { return children_; }
    const std::vector<DWORD>& threads() const { return threads_; }
    const std::vector<HWND>& windows() const { return windows_; }
    bool ready() const { return ready_; }
    void Kill();

private:
    HANDLE process_ = nullptr;
    HANDLE stdinWrite_ = nullptr;
    HANDLE stdoutRead_ = nullptr;
    DWORD pid_ = 0;
    bool ready_ = false;
    std::vector<DWORD> children_;
    std::vector<DWORD> threads_;
    std::vector<HWND> windows_;
};

}  // namespace vornel::test
