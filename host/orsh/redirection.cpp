#include "host/orsh/redirection.h"

#include "host/orsh/error.h"
#include "host/orsh/words.h"
#include "host/orshhost/orshhost_control.h"

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
    Restore();
    for (const File& file : files_)
        CloseHandle(file.handle);
}

void RedirectedHandles::Restore()
{
    OrshFlushOutput();
    SetStdHandle(STD_OUTPUT_HANDLE, output_);
    SetStdHandle(STD_ERROR_HANDLE, error_);
}

namespace {

// Two handles on one file: same volume and file index.
bool SameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION x, y;
    if (!GetFileInformationByHandle(a, &x) || !GetFileInformationByHandle(b, &y))
        return false;
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

}  // namespace

// Appends go through a handle that can only append: every write lands at
// the end as it is then, whoever else writes to the file.
bool RedirectedHandles::Open(const Redirection& r)
{
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    DWORD access = r.append ? FILE_APPEND_DATA | SYNCHRONIZE : GENERIC_WRITE;
    HANDLE handle = CreateFileW(r.file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        Error(L"cannot open \"%s\" (error %u); the command did not run", r.file.c_str(), GetLastError());
        return false;
    }
    bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    files_.push_back({handle, r.file, created, !r.append});
    return true;
}

// Undoes what Apply did: closes the files and removes those it created.
// Every handle is closed before any file goes: a file named twice (in
// another case, or once more after 2>&1) cannot be removed while its other
// handle is open.
bool RedirectedHandles::Refuse()
{
    for (const File& file : files_)
        CloseHandle(file.handle);
    for (const File& file : files_) {
        if (file.created)
            DeleteFileW(file.name.c_str());
    }
    files_.clear();
    return false;
}

bool RedirectedHandles::Apply(const std::vector<Redirection>& redirections)
{
    // Where each stream ends up: an index into files_, or -1 for the shell's own.
    int output = -1, error = -1;
    for (const Redirection& r : redirections) {
        int target = output;
        if (!r.toOutput) {
            if (!Open(r))
                return Refuse();
            target = (int)files_.size() - 1;
        }
        (r.stream == STD_OUTPUT_HANDLE ? output : error) = target;
    }
    if (output >= 0 && error >= 0 && output != error && SameFile(files_[output].handle, files_[error].handle)) {
        Error(L"the output and the errors cannot both go to \"%s\" (use 2>&1); the command did not run",
              files_[error].name.c_str());
        return Refuse();
    }
    for (const File& file : files_) {
        LARGE_INTEGER size{};
        if (file.truncate && GetFileSizeEx(file.handle, &size) && size.QuadPart > 0 && !SetEndOfFile(file.handle)) {
            Error(L"cannot empty \"%s\" (error %u); the command did not run", file.name.c_str(), GetLastError());
            return Refuse();
        }
    }
    // The handles in the order the operators came: the files_ follow it.
    size_t next = 0;
    for (const Redirection& r : redirections)
        SetStdHandle(r.stream, r.toOutput ? GetStdHandle(STD_OUTPUT_HANDLE) : files_[next++].handle);
    return true;
}

namespace {

// Says what a write that failed on `handle` failed with; false when none did.
bool ReportWriteError(HANDLE handle, const std::wstring& target)
{
    DWORD code = OrshTakeWriteError(handle);
    if (code != 0)
        Error(L"cannot write to %s: %s (error %u)", target.c_str(), SystemReason(code).c_str(), code);
    return code != 0;
}

}  // namespace

int RedirectedHandles::Finish(int result)
{
    Restore();
    for (const File& file : files_) {
        if (ReportWriteError(file.handle, L"\"" + file.name + L"\""))
            result = 1;
    }
    return result;
}

bool ReportOwnWriteErrors()
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    bool failed = ReportWriteError(GetStdHandle(STD_OUTPUT_HANDLE), L"standard output");
    failed |= ReportWriteError(error, L"standard error");
    // The message itself may not get through a standard error that fails:
    // that is the same error, not one for the next line to report.
    OrshTakeWriteError(error);
    return failed;
}

}  // namespace orsh
