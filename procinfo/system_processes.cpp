// The system's own list of every process, asked for once: one call answers
// with a record per process that holds its name, parent, thread count,
// creation time, CPU times and memory counters, where asking each process
// costs an open and a call per value, and a process that may not be opened
// answers nothing.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "frame/owners.h"
#include "frame/plugin.h"
#include "procinfo/procinfo.h"

namespace {

constexpr ULONG SYSTEM_PROCESS_INFORMATION_CLASS = 5;
constexpr LONG INFO_LENGTH_MISMATCH = static_cast<LONG>(0xC0000004);
// Room for about 200 processes with their threads at the first call; the
// list may grow between calls, so each retry asks for a quarter more than
// the system said it needed. A system that keeps asking for more, or for
// more than the largest size, gets no list: the listing asks each process.
constexpr ULONG FIRST_SIZE = 256 * 1024;
constexpr ULONG LARGEST_SIZE = 64 * 1024 * 1024;
constexpr int ATTEMPTS = 6;

// The start of each record, as the system lays it out; the thread records
// and the image name follow it.
struct ProcessInformation {
    ULONG nextEntryOffset;
    ULONG threadCount;
    LONGLONG privateWorkingSet;
    ULONG hardFaultCount;
    ULONG threadCountHighWatermark;
    ULONGLONG cycleTime;
    LONGLONG createTime;
    LONGLONG userTime;
    LONGLONG kernelTime;
    struct {
        USHORT length, maximumLength;
        PWSTR buffer;
    } imageName;
    LONG basePriority;
    HANDLE processId;
    HANDLE parentProcessId;
    ULONG handleCount;
    ULONG sessionId;
    ULONG_PTR pageDirectoryBase;
    SIZE_T peakVirtualSize;
    SIZE_T virtualSize;
    ULONG pageFaultCount;
    SIZE_T peakWorkingSetSize;
    SIZE_T workingSetSize;
};
#ifdef _WIN64
static_assert(offsetof(ProcessInformation, createTime) == 0x20);
static_assert(offsetof(ProcessInformation, processId) == 0x50);
static_assert(offsetof(ProcessInformation, workingSetSize) == 0x90);
#endif

}  // namespace

bool SystemProcessList::Query()
{
    records_.clear();
    byId_.clear();
    buffer_.reset();
    if (!NtQuerySystemInformationFn)
        return false;
    vornel::unique_block<BYTE> buffer;
    ULONG size = FIRST_SIZE;
    LONG status = INFO_LENGTH_MISMATCH;
    for (int attempt = 0; attempt < ATTEMPTS && status == INFO_LENGTH_MISMATCH; ++attempt) {
        buffer = vornel::unique_block<BYTE>::allocate(size);
        if (!buffer)
            return false;
        ULONG needed = 0;
        status = NtQuerySystemInformationFn(SYSTEM_PROCESS_INFORMATION_CLASS, buffer.get(), size, &needed);
        if (status == INFO_LENGTH_MISMATCH) {
            // Some systems answer less than they need at a first call: a
            // size that does not grow the buffer doubles it instead.
            ULONG next = needed > size ? needed : size * 2;
            if (next > LARGEST_SIZE)
                return false;
            size = std::min(LARGEST_SIZE, next + next / 4);
        }
    }
    if (status != 0)
        return false;

    // Each record is checked to lie inside the buffer before it is read,
    // and so is each name, which the records point to.
    const auto first = reinterpret_cast<ULONG_PTR>(buffer.get()), end = first + size;
    for (size_t offset = 0; offset + sizeof(ProcessInformation) <= size;) {
        ProcessInformation entry;
        memcpy(&entry, buffer.get() + offset, sizeof entry);
        const auto name = reinterpret_cast<ULONG_PTR>(entry.imageName.buffer);
        const USHORT nameLength = entry.imageName.length / sizeof(wchar_t);
        const bool nameInside = name >= first && name <= end && name % alignof(wchar_t) == 0 &&
                                nameLength <= (end - name) / sizeof(wchar_t);
        records_.push_back({static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry.processId)),
                            static_cast<ULONGLONG>(entry.createTime), static_cast<ULONGLONG>(entry.kernelTime),
                            static_cast<ULONGLONG>(entry.userTime), entry.workingSetSize,
                            static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry.parentProcessId)), entry.threadCount,
                            entry.basePriority,
                            nameInside ? std::wstring_view(entry.imageName.buffer, nameLength) : std::wstring_view()});
        if (entry.nextEntryOffset == 0)
            break;
        offset += entry.nextEntryOffset;
    }
    buffer_ = std::move(buffer);
    // The IDs beside the records they find, so that the sort and the
    // searches compare keys that lie side by side; a repeated ID finds its
    // first record.
    byId_.reserve(records_.size());
    for (const SystemProcessRecord& record : records_)
        byId_.emplace_back(record.processId, &record);
    std::sort(byId_.begin(), byId_.end());
    return true;
}

const SystemProcessRecord* SystemProcessList::Find(DWORD processId, ULONGLONG createdBefore) const
{
    auto found = std::lower_bound(byId_.begin(), byId_.end(), decltype(byId_)::value_type(processId, nullptr));
    if (found == byId_.end() || found->first != processId || found->second->created >= createdBefore)
        return nullptr;
    return found->second;
}
