// Variable expansion as the shell does it: %name and %[name] (environment
// and internal variables), %%, and function calls %@name[args]. %@path is the
// host's own; other functions and unknown internal variables go to the
// shell's resolver. The result is cut to 1023 characters: the plug-in hands
// buffers of 1024, 8192 or 32768 characters and the host cannot tell which.
#include <cwchar>
#include <cwctype>
#include <string>

#include "host/orshhost/orshhost_control.h"

namespace {

constexpr size_t ResultLimit = 1023;
constexpr size_t ValueSize = 8192;

int transientShell = 0;
int pipeShell = 0;
std::wstring batchName;
int batchLine = 0;
int lastResult = 0;
OrshResolver resolver = nullptr;
int expansionFailed = 0;

bool IsNameChar(wchar_t c) { return iswalnum(c) || c == L'_' || c == L'$'; }

std::wstring ExeName()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n);
}

// Internal variables first, then the environment; unknown names give "".
std::wstring Lookup(const std::wstring& name)
{
    if (_wcsicmp(name.c_str(), L"_batch") == 0)
        return batchName.empty() ? L"0" : L"1";
    if (_wcsicmp(name.c_str(), L"_batchname") == 0)
        return batchName;
    if (_wcsicmp(name.c_str(), L"_batchline") == 0)
        return batchName.empty() ? L"-1" : std::to_wstring(batchLine);
    if (_wcsicmp(name.c_str(), L"_transient") == 0)
        return transientShell ? L"1" : L"0";
    if (_wcsicmp(name.c_str(), L"_pipe") == 0)
        return pipeShell ? L"1" : L"0";
    if (_wcsicmp(name.c_str(), L"_cmdspec") == 0)
        return ExeName();
    if (name == L"_?")
        return std::to_wstring(lastResult);
    std::wstring value(ValueSize, L'\0');
    DWORD n = GetEnvironmentVariableW(name.c_str(), value.data(), ValueSize);
    if (n > 0 && n < ValueSize)
        return value.substr(0, n);
    // A variable the user set wins, as in the Windows command prompt.
    if (_wcsicmp(name.c_str(), L"errorlevel") == 0)
        return std::to_wstring(lastResult);
    if (resolver && name[0] == L'_') {
        std::wstring result(ValueSize, L'\0');
        if (resolver(name.c_str(), nullptr, result.data()) == 0)
            return result.c_str();  // cppcheck-suppress stlcstrReturn ; the value ends at the resolver's NUL
    }
    return L"";
}

std::wstring Expand(const std::wstring& text);

// The directory part of a path, with its trailing backslash.
std::wstring PathPart(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
}

std::wstring CallFunction(const std::wstring& name, const std::wstring& rawArgs)
{
    std::wstring args = Expand(rawArgs);
    if (_wcsicmp(name.c_str(), L"path") == 0)
        return PathPart(args);
    if (resolver) {
        std::wstring buffer(ValueSize, L'\0');
        wcsncpy(buffer.data(), args.c_str(), ValueSize - 1);
        int result = resolver(name.c_str(), buffer.c_str(), buffer.data());
        if (result == 0)
            return buffer.c_str();  // cppcheck-suppress stlcstrReturn ; the value ends at the resolver's NUL
        if (result < 0)
            expansionFailed = -1;
    }
    return L"";
}

std::wstring Expand(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] != L'%') {
            out += text[i++];
            continue;
        }
        size_t j = i + 1;
        if (j < text.size() && text[j] == L'%') {  // %% is a percent sign
            out += L'%';
            i = j + 1;
        } else if (j < text.size() && text[j] == L'[') {  // %[name]
            size_t close = text.find(L']', j);
            if (close == std::wstring::npos) {
                out += text.substr(i);
                break;
            }
            out += Lookup(Expand(text.substr(j + 1, close - j - 1)));
            i = close + 1;
        } else if (j < text.size() && text[j] == L'@') {  // %@name[args]
            size_t k = j + 1;
            while (k < text.size() && IsNameChar(text[k]))
                ++k;
            if (k >= text.size() || text[k] != L'[' || k == j + 1) {
                out += text[i++];
                continue;
            }
            int depth = 0;
            size_t close = k;
            for (; close < text.size(); ++close) {
                if (text[close] == L'[')
                    ++depth;
                else if (text[close] == L']' && --depth == 0)
                    break;
            }
            if (close >= text.size()) {
                out += text.substr(i);
                break;
            }
            out += CallFunction(text.substr(j + 1, k - j - 1), text.substr(k + 1, close - k - 1));
            i = close + 1;
        } else {  // %name
            size_t k = j;
            while (k < text.size() && IsNameChar(text[k]))
                ++k;
            // %_? is the last result, not the variable "_" followed by "?".
            if (k == j + 1 && text[j] == L'_' && k < text.size() && text[k] == L'?')
                ++k;
            if (k == j) {
                out += text[i++];
                continue;
            }
            out += Lookup(text.substr(j, k - j));
            i = k;
        }
    }
    return out;
}

}  // namespace

ORSH_API int __cdecl OrshExpand(wchar_t* buffer, int capacity)
{
    if (!buffer || capacity <= 0)
        return -1;
    expansionFailed = 0;
    std::wstring result = Expand(buffer);
    if (result.size() >= (size_t)capacity)
        result.resize(capacity - 1);
    wcscpy(buffer, result.c_str());
    return expansionFailed;
}

ORSH_API int __cdecl ExpandVariables(wchar_t* buffer, int)
{
    return OrshExpand(buffer, ResultLimit + 1);
}

ORSH_API void __cdecl OrshSetVariable(const wchar_t* name, const wchar_t* value)
{
    if (name && *name)
        SetEnvironmentVariableW(name, value && *value ? value : nullptr);
}

ORSH_API void __cdecl OrshSetShellState(int transient, int pipe)
{
    transientShell = transient;
    pipeShell = pipe;
}

ORSH_API void __cdecl OrshSetBatch(const wchar_t* name, int line)
{
    batchName = name ? name : L"";
    batchLine = line;
}

ORSH_API void __cdecl OrshSetLastResult(int result) { lastResult = result; }

ORSH_API void __cdecl OrshSetResolver(OrshResolver r) { resolver = r; }
