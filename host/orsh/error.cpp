#include "host/orsh/error.h"

#include <cstdarg>
#include <cstdio>

#include "frame/host.h"
#include "frame/system_message.h"

namespace orsh {

void Error(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = _vscwprintf(format, args);
    va_end(args);
    std::wstring text(length > 0 ? length + 1 : 1, L'\0');
    va_start(args, format);
    _vsnwprintf(text.data(), text.size(), format, args);
    va_end(args);
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"orsh: %s\r\n", text.c_str());
}

std::wstring SystemReason(DWORD code)
{
    wchar_t text[1024];
    vornel::SystemMessage(code, text, ARRAYSIZE(text));
    std::wstring reason = text;
    while (!reason.empty() && (reason.back() == L' ' || reason.back() == L'.'))
        reason.pop_back();
    return reason.empty() ? L"error " + std::to_wstring(code) : reason;
}

}  // namespace orsh
