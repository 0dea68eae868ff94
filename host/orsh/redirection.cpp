#include "host/orsh/redirection.h"

#include "host/orsh/words.h"

namespace orsh {

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
        if (line.compare(start, end - start, L"|") == 0) {
            // Passed on, it would reach the command as an argument it never meant.
            *error = L"this shell has no pipes (a \"|\" in quotes is an argument); the command did not run";
            return false;
        }
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

}  // namespace orsh
