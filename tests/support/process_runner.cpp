#include "tests/support/process_runner.h"

#include <thread>

namespace vornel::test {

std::wstring BinDir()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L'\\'));
}

std::wstring BinPath(const wchar_t* file) { return BinDir() + L"\\" + file; }

std::wstring Widen(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), w.data(), n);
    return w;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring FullWidthDigits(DWORD value)
{
    std::wstring text = std::to_wstring(value);
    for (wchar_t& c : text)
        c += 0xFF10 - L'0';
    return text;
}

namespace {

void ReadAll(HANDLE pipe, std::string* sink)
{
    char buffer[4096];
    DWORD got;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got)
        sink->append(buffer, got);
}

// CreateProcessW, tried once more after a short pause: under a loaded
// wineserver a start can fail transiently, and a test should not fail on it.
BOOL Start(std::wstring& cmd, STARTUPINFOW* si, PROCESS_INFORMATION* pi)
{
    for (int attempt = 0;; ++attempt) {
        if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, si, pi))
            return TRUE;
        if (attempt == 1)
            return FALSE;
        Sleep(200);
    }
}

bool MakePipe(HANDLE* read, HANDLE* write, bool childReads)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    if (!CreatePipe(read, write, &sa, 0))
        return false;
    SetHandleInformation(childReads ? *write : *read, HANDLE_FLAG_INHERIT, 0);
    return true;
}

}  // namespace

// A temporary file holding `input`, open for the child to read.
bool InputFile(const std::string& input, HANDLE* read)
{
    wchar_t dir[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"vin", 0, name);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    *read = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, &sa,
                        CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (*read == INVALID_HANDLE_VALUE)
        return false;
    DWORD written;
    WriteFile(*read, input.data(), (DWORD)input.size(), &written, nullptr);
    SetFilePointer(*read, 0, nullptr, FILE_BEGIN);
    return true;
}

RunResult RunProcess(const std::wstring& commandLine, const std::string& input, DWORD timeoutMs, InputFrom from,
                     HANDLE output, HANDLE errors)
{
    RunResult result;
    HANDLE inRead, inWrite = nullptr, outRead = nullptr, outWrite = output, errRead = nullptr, errWrite = errors;
    if (from == InputFrom::File ? !InputFile(input, &inRead) : !MakePipe(&inRead, &inWrite, true))
        return result;
    if (!output)
        MakePipe(&outRead, &outWrite, false);
    if (!errors)
        MakePipe(&errRead, &errWrite, false);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    BOOL ok = Start(cmd, &si, &pi);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (!ok) {
        if (inWrite)
            CloseHandle(inWrite);
        CloseHandle(outRead);
        CloseHandle(errRead);
        return result;
    }
    std::thread outThread(ReadAll, outRead, &result.out);
    std::thread errThread(ReadAll, errRead, &result.err);
    // The input is written while the time runs: a program that reads slowly times out too.
    std::thread inThread([inWrite, &input] {
        DWORD written;
        if (!inWrite)
            return;
        if (!input.empty())
            WriteFile(inWrite, input.data(), (DWORD)input.size(), &written, nullptr);
        CloseHandle(inWrite);
    });
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        TerminateProcess(pi.hProcess, 0xDEAD);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    inThread.join();
    outThread.join();
    errThread.join();
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

RunResult RunOrsh(const std::wstring& args, DWORD timeoutMs)
{
    return RunProcess(L"\"" + BinPath(L"orsh.exe") + L"\" " + args, {}, timeoutMs);
}

RunResult RunOrshOnFullDevice(const std::wstring& args, bool output, bool errors)
{
    auto full = [] {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        return CreateFileW(L"Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0, nullptr);
    };
    return RunProcess(L"\"" + BinPath(L"orsh.exe") + L"\" " + args, {}, 60000, InputFrom::Pipe,
                      output ? full() : nullptr, errors ? full() : nullptr);
}

RunResult RunOrshInteractive(const std::string& input, InputFrom from, DWORD timeoutMs)
{
    return RunProcess(L"\"" + BinPath(L"orsh.exe") + L"\"", input, timeoutMs, from);
}

Helper::Helper(const std::wstring& args, const std::wstring& program)
{
    HANDLE inRead, outWrite;
    if (!MakePipe(&inRead, &stdinWrite_, true) || !MakePipe(&stdoutRead_, &outWrite, false))
        return;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + (program.empty() ? BinPath(L"vornel_testhelper.exe") : program) + L"\" " + args;
    BOOL ok = Start(cmd, &si, &pi);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    if (!ok)
        return;
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    CloseHandle(pi.hThread);

    // Read report lines until "ready" (or the helper ends).
    std::string line;
    char c;
    DWORD got;
    while (ReadFile(stdoutRead_, &c, 1, &got, nullptr) && got) {
        if (c == '\r')
            continue;
        if (c != '\n') {
            line += c;
            continue;
        }
        if (line == "ready") {
            ready_ = true;
            break;
        }
        auto space = line.find(' ');
        if (space != std::string::npos) {
            std::string kind = line.substr(0, space);
            unsigned long long value = std::stoull(line.substr(space + 1), nullptr, 0);
            if (kind == "child")
                children_.push_back((DWORD)value);
            else if (kind == "thread")
                threads_.push_back((DWORD)value);
            else if (kind == "window")
                windows_.push_back((HWND)(ULONG_PTR)value);
        }
        line.clear();
    }
}

void Helper::Kill()
{
    for (DWORD child : children_) {
        if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child)) {
            TerminateProcess(h, 0);
            WaitForSingleObject(h, 5000);
            CloseHandle(h);
        }
    }
    children_.clear();
    if (process_) {
        TerminateProcess(process_, 0);
        WaitForSingleObject(process_, 5000);
        CloseHandle(process_);
        process_ = nullptr;
    }
    if (stdinWrite_) {
        CloseHandle(stdinWrite_);
        stdinWrite_ = nullptr;
    }
    if (stdoutRead_) {
        CloseHandle(stdoutRead_);
        stdoutRead_ = nullptr;
    }
}

Helper::~Helper() { Kill(); }

}  // namespace vornel::test
