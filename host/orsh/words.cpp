#include "host/orsh/words.h"

#include <cwchar>

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

bool IsListed(const std::vector<std::wstring>& names, const std::wstring& name)
{
    for (const auto& n : names) {
        if (_wcsicmp(n.c_str(), name.c_str()) == 0)
            return true;
    }
    return false;
}

}  // namespace orsh
