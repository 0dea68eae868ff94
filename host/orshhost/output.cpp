// The host's writers. To a console the text goes with WriteConsoleW; to files
// and pipes as UTF-8, so redirected output is plain text. A capture mode
// keeps the text instead, for tests that assert exact output.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "host/orshhost/host_internal.h"
#include "host/orshhost/orshhost_control.h"

namespace {

bool capturing = false;
std::wstring captured[3];

// Text for a disk file waits for its line end, so that each line goes out
// whole in one write: shells appending to one file then never tear a line.
struct FileLines {
    HANDLE handle;
    std::string pending;
};
std::vector<FileLines> fileLines;

// The first failed write on each handle, until the shell takes it.
struct WriteFailure {
    HANDLE handle;
    DWORD error;
};
std::vector<WriteFailure> failures;

// The entry of `list` for `handle`, or the end.
template <typename T>
auto ForHandle(std::vector<T>& list, HANDLE handle)
{
    return std::find_if(list.begin(), list.end(), [handle](const T& entry) { return entry.handle == handle; });
}

// Concurrent appenders to one file (other shells) take this lock around
// each write: even a handle opened for appending only loses and tears lines
// under load on some systems. The range lies far past any real end of file,
// so readers and programs that write without it are never blocked.
constexpr DWORD LockOffsetHigh = 0x40000000;

bool HasFailed(HANDLE handle) { return ForHandle(failures, handle) != failures.end(); }

void Fail(HANDLE handle, DWORD error) { failures.push_back({handle, error ? error : ERROR_WRITE_FAULT}); }

void WriteBytes(HANDLE handle, const char* bytes, size_t size, bool disk)
{
    if (size == 0 || HasFailed(handle))
        return;
    OVERLAPPED range{};
    range.OffsetHigh = LockOffsetHigh;
    bool locked = disk && LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes, (DWORD)size, &written, nullptr) || written == 0) {
            Fail(handle, GetLastError());
            break;
        }
        bytes += written;
        size -= written;
    }
    if (locked)
        UnlockFileEx(handle, 0, 1, 0, &range);
}

void Flush(FileLines& file, size_t upTo)
{
    WriteBytes(file.handle, file.pending.data(), upTo, true);
    file.pending.erase(0, upTo);
}

void WriteHandle(HANDLE handle, const wchar_t* text, size_t length)
{
    if (length == 0 || handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode, written;
    if (GetConsoleMode(handle, &mode)) {
        if (!HasFailed(handle) && !WriteConsoleW(handle, text, (DWORD)length, &written, nullptr))
            Fail(handle, GetLastError());
        return;
    }
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, (int)length, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, (int)length, utf8.data(), bytes, nullptr, nullptr);
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        WriteBytes(handle, utf8.data(), utf8.size(), false);
        return;
    }
    auto file = ForHandle(fileLines, handle);
    if (file == fileLines.end())
        file = fileLines.insert(file, FileLines{handle, {}});
    file->pending += utf8;
    size_t lineEnd = file->pending.rfind('\n');
    if (lineEnd != std::string::npos)
        Flush(*file, lineEnd + 1);
}

void Emit(HANDLE handle, const wchar_t* text, size_t length)
{
    if (capturing) {
        int stream = handle == GetStdHandle(STD_ERROR_HANDLE) ? 2 : 1;
        captured[stream].append(text, length);
        return;
    }
    WriteHandle(handle, text, length);
}

int FormatAndEmit(HANDLE handle, const wchar_t* format, va_list args)
{
    if (!format)
        return -1;
    va_list copy;
    va_copy(copy, args);
    int length = _vscwprintf(format, copy);
    va_end(copy);
    if (length < 0)
        return -1;
    std::wstring text(length + 1, L'\0');
    _vsnwprintf(text.data(), length + 1, format, args);
    Emit(handle, text.data(), length);
    return length;
}

}  // namespace

ORSH_API int __cdecl Printf(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatAndEmit(GetStdHandle(STD_OUTPUT_HANDLE), format, args);
    va_end(args);
    return n;
}

ORSH_API int __cdecl Qprintf(HANDLE handle, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatAndEmit(handle, format, args);
    va_end(args);
    return n;
}

ORSH_API int __cdecl QPuts(const wchar_t* text)
{
    if (!text)
        return -1;
    size_t length = wcslen(text);
    Emit(GetStdHandle(STD_OUTPUT_HANDLE), text, length);
    return 0;
}

ORSH_API int __cdecl CrLf(void)
{
    Emit(GetStdHandle(STD_OUTPUT_HANDLE), L"\r\n", 2);
    return 0;
}

ORSH_API void __cdecl OrshFlushOutput(void)
{
    for (FileLines& file : fileLines)
        Flush(file, file.pending.size());
    fileLines.clear();
}

ORSH_API DWORD __cdecl OrshTakeWriteError(HANDLE handle)
{
    auto failure = ForHandle(failures, handle);
    if (failure == failures.end())
        return 0;
    DWORD error = failure->error;
    failures.erase(failure);
    return error;
}

ORSH_API void __cdecl OrshCapture(int on) { capturing = on != 0; }

ORSH_API const wchar_t* __cdecl OrshCaptured(int stream)
{
    return stream == 2 ? captured[2].c_str() : captured[1].c_str();
}

ORSH_API void __cdecl OrshClearCapture(void)
{
    captured[1].clear();
    captured[2].clear();
    ResetLastColors();
}
