#include "host/orsh/wrapper_line.h"

#include <windows.h>

namespace orsh {

bool TakeWrapperLine(std::wstring* line)
{
    constexpr wchar_t Name[] = L"VORNEL_ORSH_LINE";
    DWORD size = GetEnvironmentVariableW(Name, nullptr, 0);
    if (size == 0)
        return false;  // not set, or set to nothing: the wrapper had no arguments
    line->assign(size, L'\0');
    DWORD length = GetEnvironmentVariableW(Name, line->data(), size);
    SetEnvironmentVariableW(Name, nullptr);
    if (length == 0 || length >= size)
        return false;
    line->resize(length);
    return true;
}

}  // namespace orsh
