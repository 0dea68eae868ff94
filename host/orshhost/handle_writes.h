// How text reaches a handle, the same for the host's writers when no shell
// takes their text and for the shell's own outputs: a console takes the
// text as it is, everything else gets UTF-8, so redirected output is plain
// text.
#pragma once

#include <windows.h>

#include <string>

namespace orshhost {

inline bool IsConsole(HANDLE handle)
{
    DWORD mode;
    return GetConsoleMode(handle, &mode) != 0;
}

inline std::string Utf8(const wchar_t* text, size_t length)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, (int)length, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, (int)length, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

// Writes all of `bytes`: 0, or the error of the write that failed (never 0).
inline DWORD WriteAll(HANDLE handle, const char* bytes, size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes, (DWORD)size, &written, nullptr) || written == 0)
            return GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        bytes += written;
        size -= written;
    }
    return 0;
}

// The console's own write: 0, or its error (never 0).
inline DWORD WriteToConsole(HANDLE console, const wchar_t* text, size_t length)
{
    DWORD written;
    if (WriteConsoleW(console, text, (DWORD)length, &written, nullptr))
        return 0;
    return GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
}

}  // namespace orshhost
