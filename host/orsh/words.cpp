#include "host/orsh/words.h"

#include <cerrno>
#include <climits>
#include <cwchar>
#include <cwctype>

namespace orsh {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

size_t WordEnd(const std::wstring& line, size_t start)
{
    bool quoted = false;
    size_t i = start;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
        if (line[i] == L'"')
            quoted = !quoted;
    }
    return i;
}

std::wstring Unquoted(const std::wstring& word)
{
    std::wstring text;
    for (wchar_t c : word) {
        if (c != L'"')
            text += c;
    }
    return text;
}

std::wstring TrimmedLeft(const std::wstring& text)
{
    size_t start = text.find_first_not_of(L" \t");
    return start == std::wstring::npos ? L"" : text.substr(start);
}

std::wstring Trimmed(const std::wstring& text)
{
    std::wstring left = TrimmedLeft(text);
    return left.substr(0, left.find_last_not_of(L" \t") + 1);
}

void SplitCommand(const std::wstring& line, std::wstring* command, std::wstring* args)
{
    const size_t end = WordEnd(line, 0);
    *command = Unquoted(line.substr(0, end));
    size_t argStart = line.find_first_not_of(L" \t", end);
    *args = argStart == std::wstring::npos ? L"" : line.substr(argStart);
}

bool IsRemark(const std::wstring& line)
{
    if (line.compare(0, 2, L"::") == 0)
        return true;
    return line.size() >= 3 && _wcsnicmp(line.c_str(), L"rem", 3) == 0 && (line.size() == 3 || IsBlank(line[3]));
}

bool ExitCode(const std::wstring& text, int* code)
{
    if (text.empty() || !iswdigit(text.back()))
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    long long value = wcstoll(text.c_str(), &end, 10);
    if (*end != L'\0' || errno == ERANGE || value < INT_MIN || value > UINT_MAX)
        return false;
    *code = (int)value;
    return true;
}

std::wstring AfterProgramName(const wchar_t* commandLine)
{
    const wchar_t* p = commandLine;
    if (*p == L'"') {
        p = wcschr(p + 1, L'"');
        p = p ? p + 1 : L"";
    } else {
        while (*p && !IsBlank(*p))
            ++p;
    }
    while (IsBlank(*p))
        ++p;
    return p;
}

bool IsListed(const std::vector<std::wstring>& names, const std::wstring& name)
{
    for (const auto& n : names) {
        if (_wcsicmp(n.c_str(), name.c_str()) == 0)
            return true;
    }
    return false;
}

}  // namespace orsh
