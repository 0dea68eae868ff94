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
// Under Wine each call reads /proc for every process and thread, whether
// the answer fits or not, so a listing should ask once. The first call of
// the process asks with 1 MiB, room for about 1,900 processes as Wine lists
// them (some 550 bytes each with their threads) or for some 10,000 threads
// on Windows; the pages the answer does not touch cost nothing. Every
// later call asks with what the last answer needed and a quarter more. A
// list that grew past that is asked again with a quarter more than the
// system said it needs. A system that keeps asking for more, or for more
// than the largest size, gets no list: the listing asks each process.
constexpr ULONG FIRST_SIZE = 1024 * 1024;
constexpr ULONG LARGEST_SIZE = 64 * 1024 * 1024;
constexpr int ATTEMPTS = 6;

// What the last answer of this process needed; 0 before the first.
ULONG LastNeeded = 0;

ULONG WithMargin(ULONG size) { return std::min(LARGEST_SIZE, size + size / 4); }

// The start of each record, as the system lays it out; the thread records
// follow it, and the image name lies somewhere in the same buffer.
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
    SIZE_T quotaAndPagefile[7];
    LONGLONG ioCounters[6];
};

struct ThreadInformation {
    LONGLONG kernelTime;
    LONGLONG userTime;
    LONGLONG createTime;
    ULONG waitTime;
    PVOID startAddress;
    HANDLE processId;
    HANDLE threadId;
    LONG priority;
    LONG basePriority;
    ULONG contextSwitches;
    ULONG threadState;
    ULONG waitReason;
};
#ifdef _WIN64
static_assert(offsetof(ProcessInformation, createTime) == 0x20);
static_assert(offsetof(ProcessInformation, processId) == 0x50);
static_assert(offsetof(ProcessInformation, workingSetSize) == 0x90);
static_assert(sizeof(ProcessInformation) == 0x100);
static_assert(offsetof(ThreadInformation, threadId) == 0x30);
static_assert(offsetof(ThreadInformation, basePriority) == 0x3C);
static_assert(sizeof(ThreadInformation) == 0x50);
#endif

DWORD ToId(HANDLE id) { return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(id)); }

}  // namespace

bool SystemProcessList::Query()
{
    records_.clear();
    threads_.clear();
    byId_.clear();
    buffer_.reset();
    if (!NtQuerySystemInformationFn)
        return false;
    vornel::unique_block<BYTE> buffer;
    ULONG size = LastNeeded ? WithMargin(LastNeeded) : FIRST_SIZE;
    ULONG needed = 0;
    LONG status = INFO_LENGTH_MISMATCH;
    for (int attempt = 0; attempt < ATTEMPTS && status == INFO_LENGTH_MISMATCH; ++attempt) {
        buffer = vornel::unique_block<BYTE>::allocate(size);
        if (!buffer)
            return false;
        needed = 0;
        status = NtQuerySystemInformationFn(SYSTEM_PROCESS_INFORMATION_CLASS, buffer.get(), size, &needed);
        if (status == INFO_LENGTH_MISMATCH) {
            // Some systems answer less than they need at a first call: a
            // size that does not grow the buffer doubles it instead.
            ULONG next = needed > size ? needed : size * 2;
            if (next > LARGEST_SIZE)
                return false;
            size = WithMargin(next);
        }
    }
    if (status != 0)
        return false;
    // A system that does not say what it used is taken to have used it all.
    LastNeeded = needed > 0 && needed <= size ? needed : size;

    // Each record is checked to lie inside the buffer before it is read,
    // and so are its threads and its name, which the record points to.
    const auto first = reinterpret_cast<ULONG_PTR>(buffer.get()), end = first + size;
    for (size_t offset = 0; offset + sizeof(ProcessInformation) <= size;) {
        ProcessInformation entry;
        memcpy(&entry, buffer.get() + offset, sizeof entry);
        const auto name = reinterpret_cast<ULONG_PTR>(entry.imageName.buffer);
        const USHORT nameLength = entry.imageName.length / sizeof(wchar_t);
        const bool nameInside = name >= first && name <= end && name % alignof(wchar_t) == 0 &&
                                nameLength <= (end - name) / sizeof(wchar_t);
        const DWORD processId = ToId(entry.processId);
        std::wstring_view imageName;
        if (nameInside)
            imageName = std::wstring_view(entry.imageName.buffer, nameLength);
        if (imageName.empty() && processId == 0)
            imageName = L"[System Process]";
        records_.push_back({processId, static_cast<ULONGLONG>(entry.createTime),
                            static_cast<ULONGLONG>(entry.kernelTime), static_cast<ULONGLONG>(entry.userTime),
                            entry.workingSetSize, ToId(entry.parentProcessId), entry.threadCount, entry.basePriority,
                            imageName});
        const size_t threadsAt = offset + sizeof(ProcessInformation);
        const size_t threadsInside = std::min<size_t>(entry.threadCount, (size - threadsAt) / sizeof(ThreadInformation));
        for (size_t i = 0; i < threadsInside; ++i) {
            ThreadInformation thread;
            memcpy(&thread, buffer.get() + threadsAt + i * sizeof thread, sizeof thread);
            threads_.push_back({ToId(thread.threadId), processId, thread.basePriority});
        }
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
