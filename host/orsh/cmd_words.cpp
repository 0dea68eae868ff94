#include "host/orsh/cmd_words.h"

#include <windows.h>

#include <cwchar>

#include "host/orsh/words.h"

namespace orsh {
namespace {

// Variables that cmd makes up itself when the environment has none, and
// those it defines as it starts (PROMPT always, COMSPEC when missing).
const wchar_t* const Dynamic[] = {L"CD",         L"DATE",          L"TIME",
                                  L"RANDOM",     L"ERRORLEVEL",    L"CMDEXTVERSION",
                                  L"CMDCMDLINE", L"HIGHESTNUMANODENUMBER", L"__CD__",
                                  L"__APPDIR__", L"PROMPT",        L"COMSPEC"};

bool IsVariable(const std::wstring& name)
{
    if (name.empty())
        return false;
    for (const wchar_t* dynamic : Dynamic) {
        if (_wcsicmp(name.c_str(), dynamic) == 0)
            return true;
    }
    SetLastError(0);
    return GetEnvironmentVariableW(name.c_str(), nullptr, 0) > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

// The first text between two percent signs that cmd would take for a
// variable (its name ends at a colon: %NAME:~1% and %NAME:a=b%), whichever
// way cmd pairs the signs; empty when none.
std::wstring ExpandedPair(const std::wstring& text)
{
    for (size_t open = text.find(L'%'); open != std::wstring::npos;) {
        size_t close = text.find(L'%', open + 1);
        if (close == std::wstring::npos)
            break;
        std::wstring inside = text.substr(open + 1, close - open - 1);
        if (IsVariable(inside.substr(0, inside.find(L':'))))
            return text.substr(open, close - open + 1);
        open = close;
    }
    return L"";
}

// The batch file's own forms (%0 to %9, %* and %~...), which the command
// interpreter expands again in the text of an argument it substitutes
// (%~dp0 gives the batch file's folder, %* all its arguments over and over):
// the first word of `arguments` holding one, and the form; false when none.
bool BatchForm(const std::wstring& arguments, std::wstring* word, std::wstring* form)
{
    for (size_t start = 0, at = arguments.find(L'%'); at != std::wstring::npos;) {
        const size_t end = WordEnd(arguments, start);
        for (; at < end; at = arguments.find(L'%', at + 1)) {
            const wchar_t next = at + 1 < end ? arguments[at + 1] : L'\0';
            if ((next >= L'0' && next <= L'9') || next == L'*' || next == L'~') {
                *word = arguments.substr(start, end - start);
                *form = arguments.substr(at, 2);
                return true;
            }
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

bool CommandForCmd(const std::wstring& path, const std::wstring& arguments, std::wstring* line,
                   std::wstring* problem)
{
    *line = L"\"" + path + L"\"";
    std::wstring pair = ExpandedPair(*line + L" " + arguments);
    if (!pair.empty()) {
        *problem = L"the command interpreter would expand " + pair + L" before the batch file saw it";
        return false;
    }
    std::wstring word, form;
    if (BatchForm(arguments, &word, &form)) {
        *problem = L"the command interpreter would expand " + form + L" in the word " + word + L" inside the batch file";
        return false;
    }
    if (!arguments.empty())
        *line += L' ';
    for (size_t i = 0; i < arguments.size();) {
        if (arguments[i] == L'"') {  // a quoted stretch goes as it is
            size_t close = arguments.find(L'"', i + 1);
            size_t end = close == std::wstring::npos ? arguments.size() : close + 1;
            *line += arguments.substr(i, end - i);
            i = end;
        } else if (arguments[i] == L' ' || arguments[i] == L'\t') {
            *line += arguments[i++];
        } else {
            size_t end = arguments.find_first_of(L" \t\"", i);
            std::wstring stretch = arguments.substr(i, end == std::wstring::npos ? std::wstring::npos : end - i);
            if (stretch.find_first_of(L";,=") != std::wstring::npos) {
                *line += L"\"" + stretch + L"\"";
            } else {
                for (wchar_t c : stretch) {
                    if (wcschr(L"&|<>^()", c))
                        *line += L'^';
                    *line += c;
                }
            }
            i += stretch.size();
        }
    }
    if (line->size() > MaxCmdLength) {
        *problem = L"the command interpreter would get " + std::to_wstring(line->size()) +
                   L" characters once escaped, more than " + std::to_wstring(MaxCmdLength);
        return false;
    }
    return true;
}

}  // namespace orsh
