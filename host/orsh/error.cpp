#include "host/orsh/error.h"

#include <cstdarg>
#include <cstdio>

#include "frame/format_text.h"
#include "frame/host.h"
#include "frame/system_message.h"

namespace orsh {

void Error(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    vornel::formatted_text text = vornel::format_text(format, args);
    va_end(args);
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"orsh: %s\r\n", text.text ? text.text.get() : L"");
}

std::wstring SystemReason(DWORD code)
{
    wchar_t text[1024];
    vornel::SystemMessage(code, text, ARRAYSIZE(text));
    std::wstring reason = text;
    while (!reason.empty() && (reason.back() == L' ' || reason.back() == L'.'))
        reason.pop_back();
    const std::wstring number = L"error " + std::to_wstring(code);
    return reason.empty() ? number : reason + L" (" + number + L")";
}

}  // namespace orsh
