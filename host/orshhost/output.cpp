// The host's writers. They format the text and hand it on: to the sink the
// shell registered, which owns everything the shell writes to; without a
// shell, straight to the handle. A capture mode keeps the text instead, for
// tests that assert exact output.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "frame/format_text.h"
#include "host/orshhost/handle_writes.h"
#include "host/orshhost/host_internal.h"
#include "host/orshhost/orshhost_control.h"

namespace {

bool capturing = false;
std::wstring captured[3];

OrshSink sink = nullptr;
void* sinkContext = nullptr;

// Without a shell: straight to the handle, nothing kept.
void WriteStraight(HANDLE handle, const wchar_t* text, size_t length)
{
    if (length == 0 || handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    if (orshhost::IsConsole(handle)) {
        orshhost::WriteToConsole(handle, text, length);
        return;
    }
    std::string utf8 = orshhost::Utf8(text, length);
    orshhost::WriteAll(handle, utf8.data(), utf8.size());
}

void Emit(HANDLE handle, const wchar_t* text, size_t length)
{
    if (capturing) {
        int stream = handle == GetStdHandle(STD_ERROR_HANDLE) ? 2 : 1;
        captured[stream].append(text, length);
    } else if (sink) {
        sink(sinkContext, handle, text, (int)length);
    } else {
        WriteStraight(handle, text, length);
    }
}

int FormatAndEmit(HANDLE handle, const wchar_t* format, va_list args)
{
    if (!format)
        return -1;
    vornel::formatted_text text = vornel::format_text(format, args);
    if (!text.text)
        return -1;
    Emit(handle, text.text.get(), text.length);
    return text.length;
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

ORSH_API void __cdecl OrshSetSink(OrshSink writer, void* context)
{
    sink = writer;
    sinkContext = context;
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
