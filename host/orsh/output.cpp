#include "host/orsh/output.h"

#include <algorithm>
#include <utility>

#include "host/orsh/error.h"
#include "host/orshhost/handle_writes.h"
#include "host/orshhost/orshhost_control.h"

namespace orsh {
namespace {

// Concurrent appenders to one file (other shells) take this lock around
// each write: even a handle opened for appending only loses and tears lines
// under load on some systems. The range lies far past any real end of file,
// so readers and programs that write without it are never blocked.
constexpr DWORD LockOffsetHigh = 0x40000000;

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

Output::Output() : output_(GetStdHandle(STD_OUTPUT_HANDLE)), error_(GetStdHandle(STD_ERROR_HANDLE))
{
    OrshSetSink(Sink, this);
}

Output::~Output()
{
    Restore();
    CloseFiles();
    OrshSetSink(nullptr, nullptr);
}

void __cdecl Output::Sink(void* self, HANDLE handle, const wchar_t* text, int length)
{
    static_cast<Output*>(self)->Write(handle, text, length > 0 ? (size_t)length : 0);
}

Output::Target& Output::TargetOf(HANDLE handle)
{
    auto target = std::find_if(targets_.begin(), targets_.end(), [handle](const Target& t) { return t.handle == handle; });
    return target != targets_.end() ? *target : targets_.emplace_back(Target{handle, {}, 0});
}

void Output::Write(HANDLE handle, const wchar_t* text, size_t length)
{
    if (length == 0 || handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    Target& target = TargetOf(handle);
    if (orshhost::IsConsole(handle)) {
        if (!target.failure)
            target.failure = orshhost::WriteToConsole(handle, text, length);
        return;
    }
    std::string utf8 = orshhost::Utf8(text, length);
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        WriteBytes(target, utf8.data(), utf8.size(), false);
        return;
    }
    target.pending += utf8;
    size_t lineEnd = target.pending.rfind('\n');
    if (lineEnd != std::string::npos)
        FlushLines(target, lineEnd + 1);
}

void Output::WriteBytes(Target& target, const char* bytes, size_t size, bool disk)
{
    if (size == 0 || target.failure)
        return;
    OVERLAPPED range{};
    range.OffsetHigh = LockOffsetHigh;
    bool locked = disk && LockFileEx(target.handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range);
    target.failure = orshhost::WriteAll(target.handle, bytes, size);
    if (locked)
        UnlockFileEx(target.handle, 0, 1, 0, &range);
}

void Output::FlushLines(Target& target, size_t upTo)
{
    WriteBytes(target, target.pending.data(), upTo, true);
    target.pending.erase(0, upTo);
}

void Output::Flush()
{
    for (Target& target : targets_)
        FlushLines(target, target.pending.size());
}

void Output::Restore()
{
    Flush();
    SetStdHandle(STD_OUTPUT_HANDLE, output_);
    SetStdHandle(STD_ERROR_HANDLE, error_);
}

// A file's handle value may come again for another file once it is closed:
// what was kept for it goes with it.
void Output::CloseFiles()
{
    for (const File& file : files_)
        std::erase_if(targets_, [&file](const Target& t) { return t.handle == file.handle.get(); });
    files_.clear();
}

// Appends go through a handle that can only append: every write lands at
// the end as it is then, whoever else writes to the file.
bool Output::Open(const Redirection& r)
{
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    DWORD access = r.append ? FILE_APPEND_DATA | SYNCHRONIZE : GENERIC_WRITE;
    vornel::unique_hfile handle(CreateFileW(r.file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        Error(L"cannot open \"%s\": %s; the command did not run", r.file.c_str(),
              SystemReason(GetLastError()).c_str());
        return false;
    }
    bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    files_.push_back({std::move(handle), r.file, created, !r.append});
    return true;
}

// Undoes what Redirect did: closes the files and removes those it created.
// Every handle is closed before any file goes: a file named twice (in
// another case, or once more after 2>&1) cannot be removed while its other
// handle is open.
bool Output::Refuse()
{
    std::vector<std::wstring> created;
    for (const File& file : files_) {
        if (file.created)
            created.push_back(file.name);
    }
    CloseFiles();
    for (const std::wstring& name : created)
        DeleteFileW(name.c_str());
    return false;
}

bool Output::Redirect(const std::vector<Redirection>& redirections)
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
    if (output >= 0 && error >= 0 && output != error && SameFile(files_[output].handle.get(), files_[error].handle.get())) {
        Error(L"the output and the errors cannot both go to \"%s\" (use 2>&1); the command did not run",
              files_[error].name.c_str());
        return Refuse();
    }
    for (const File& file : files_) {
        LARGE_INTEGER size{};
        if (file.truncate && GetFileSizeEx(file.handle.get(), &size) && size.QuadPart > 0 &&
            !SetEndOfFile(file.handle.get())) {
            Error(L"cannot empty \"%s\": %s; the command did not run", file.name.c_str(),
                  SystemReason(GetLastError()).c_str());
            return Refuse();
        }
    }
    // The handles in the order the operators came: the files_ follow it.
    size_t next = 0;
    for (const Redirection& r : redirections)
        SetStdHandle(r.stream, r.toOutput ? GetStdHandle(STD_OUTPUT_HANDLE) : files_[next++].handle.get());
    return true;
}

// Says what a write that failed on `handle` failed with; false when none did.
bool Output::ReportWriteError(HANDLE handle, const std::wstring& name)
{
    auto target = std::find_if(targets_.begin(), targets_.end(), [handle](const Target& t) { return t.handle == handle; });
    DWORD code = target != targets_.end() ? std::exchange(target->failure, 0) : 0;
    if (code != 0)
        Error(L"cannot write to %s: %s", name.c_str(), SystemReason(code).c_str());
    return code != 0;
}

int Output::EndCommand(int result)
{
    Restore();
    for (const File& file : files_) {
        if (ReportWriteError(file.handle.get(), L"\"" + file.name + L"\""))
            result = 1;
    }
    CloseFiles();
    return result;
}

bool Output::ReportOwnWriteErrors()
{
    bool failed = ReportWriteError(output_, L"standard output");
    failed |= ReportWriteError(error_, L"standard error");
    // The message itself may not get through a standard error that fails:
    // that is the same error, not one for the next line to report.
    TargetOf(error_).failure = 0;
    return failed;
}

}  // namespace orsh
