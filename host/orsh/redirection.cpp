#include "host/orsh/redirection.h"

#include "host/orsh/shell.h"

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

namespace {

size_t SkipBlanks(const std::wstring& line, size_t i)
{
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    return i;
}

bool ReadOperator(const std::wstring& word, Redirection* r)
{
    struct Operator {
        const wchar_t* text;
        DWORD stream;
        bool append, toOutput;
    };
    static const Operator operators[] = {
        {L">", STD_OUTPUT_HANDLE, false, false},  {L">>", STD_OUTPUT_HANDLE, true, false},
        {L"1>", STD_OUTPUT_HANDLE, false, false}, {L"1>>", STD_OUTPUT_HANDLE, true, false},
        {L"2>", STD_ERROR_HANDLE, false, false},  {L"2>>", STD_ERROR_HANDLE, true, false},
        {L"2>&1", STD_ERROR_HANDLE, false, true},
    };
    for (const Operator& o : operators) {
        if (word == o.text) {
            *r = {o.stream, o.append, o.toOutput, {}};
            return true;
        }
    }
    return false;
}

}  // namespace

bool TakeRedirections(std::wstring& line, std::vector<Redirection>* redirections, std::wstring* error)
{
    std::wstring kept;
    size_t keptUpTo = 0;  // line[keptUpTo, ...) is not yet copied into `kept`
    for (size_t start = SkipBlanks(line, 0); start < line.size(); start = SkipBlanks(line, start)) {
        size_t end = WordEnd(line, start);
        Redirection r;
        if (!ReadOperator(line.substr(start, end - start), &r)) {
            start = end;
            continue;
        }
        if (!r.toOutput) {
            size_t fileStart = SkipBlanks(line, end);
            size_t fileEnd = WordEnd(line, fileStart);
            Redirection next;
            std::wstring file = line.substr(fileStart, fileEnd - fileStart);
            if (file.empty() || ReadOperator(file, &next) || Unquoted(file).empty()) {
                *error = L"a file name must follow " + line.substr(start, end - start);
                return false;
            }
            r.file = Unquoted(file);
            end = fileEnd;
        }
        redirections->push_back(r);
        // The operator goes with the blanks in front of it.
        size_t cut = start;
        while (cut > keptUpTo && IsBlank(line[cut - 1]))
            --cut;
        kept += line.substr(keptUpTo, cut - keptUpTo);
        keptUpTo = end;
        start = end;
    }
    line = kept + line.substr(keptUpTo);
    return true;
}

RedirectedHandles::RedirectedHandles()
    : output_(GetStdHandle(STD_OUTPUT_HANDLE)), error_(GetStdHandle(STD_ERROR_HANDLE))
{
}

RedirectedHandles::~RedirectedHandles()
{
    SetStdHandle(STD_OUTPUT_HANDLE, output_);
    SetStdHandle(STD_ERROR_HANDLE, error_);
    for (HANDLE file : files_)
        CloseHandle(file);
}

bool RedirectedHandles::Apply(const std::vector<Redirection>& redirections)
{
    for (const Redirection& r : redirections) {
        HANDLE target = GetStdHandle(STD_OUTPUT_HANDLE);
        if (!r.toOutput) {
            SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
            target = CreateFileW(r.file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                 r.append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (target == INVALID_HANDLE_VALUE) {
                DWORD code = GetLastError();
                // The message belongs on the shell's own error output.
                SetStdHandle(STD_ERROR_HANDLE, error_);
                Error(L"cannot open \"%s\" (error %u); the command did not run", r.file.c_str(), code);
                return false;
            }
            files_.push_back(target);
            if (r.append)
                SetFilePointer(target, 0, nullptr, FILE_END);
        }
        SetStdHandle(r.stream, target);
    }
    return true;
}

}  // namespace orsh
