// A process and its descendants with tree connectors, depth first in list
// order, each process followed by its module and thread lines. Children and
// threads come from the listing's index, so a tree costs what it prints.
//
// The walk keeps its own stack on the heap instead of recursing: the host's
// thread has a small stack and a chain of processes can be arbitrarily deep.
// The connector prefix is one buffer shared by all levels (a level only
// appends to its parent's prefix), limited to PREFIX_SIZE characters; levels
// deeper than that reuse the deepest prefix. Parent IDs can form a cycle when
// creation times cannot be read, so a record that is already on the current
// branch is never entered again.
#include <cwchar>
#include <memory>
#include <span>
#include <vector>

#include "commands/tasklist/tasklist.h"
#include "console/console.h"
#include "frame/host.h"
#include "frame/owners.h"

namespace {

inline constexpr size_t PREFIX_SIZE = 1024;
inline constexpr size_t SEGMENT = 2;  // characters a level adds to the prefix

using Children = std::span<const RecordsById<ProcessRecord>::Entry>;

struct Level {
    ProcessRecord* record;
    Children scan;         // the records still to test as children
    unsigned childrenLeft;
    int width;             // width of the children's lines
    size_t prefixLength;   // length of the children's prefix
};

bool IsChild(const ProcessRecord* candidate, const ProcessRecord* parent)
{
    DWORD pid = parent->entry.th32ProcessID;
    return candidate->entry.th32ProcessID != pid && candidate->entry.th32ParentProcessID == pid &&
           !(candidate->mark & MARK_ON_PATH);
}

class TreeWalk {
public:
    TreeWalk(const ListingIndex& index, DWORD ownPid, DWORD flags, unsigned* processCount, unsigned* threadCount,
             const wchar_t* highlight)
        : index_(index), ownPid_(ownPid), flags_(flags), processCount_(processCount),
          threadCount_(threadCount), highlight_(highlight), prefix_(std::make_unique<wchar_t[]>(PREFIX_SIZE))
    {
    }

    ~TreeWalk()
    {
        for (Level& level : levels_)
            level.record->mark &= ~MARK_ON_PATH;
    }

    int Run(ProcessRecord* record, int width, const wchar_t* prefix, bool last)
    {
        size_t length = 0;
        if (prefix) {
            length = wcslen(prefix);
            if (length > PREFIX_SIZE - 1)
                length = PREFIX_SIZE - 1;
            wmemcpy(prefix_.get(), prefix, length);
        }
        int result = Enter(record, width, prefix != nullptr, length, last);
        while (result == 0 && !levels_.empty()) {
            Level& level = levels_.back();
            while (!level.scan.empty() && !IsChild(level.scan.front().second, level.record))
                level.scan = level.scan.subspan(1);
            if (level.scan.empty()) {
                level.record->mark &= ~MARK_ON_PATH;
                levels_.pop_back();
                continue;
            }
            ProcessRecord* child = level.scan.front().second;
            level.scan = level.scan.subspan(1);
            bool lastChild = --level.childrenLeft == 0;
            result = Enter(child, level.width, true, level.prefixLength, lastChild);
        }
        return result;
    }

private:
    // Writes one process with its thread lines and, when it has children,
    // makes it the deepest level. `prefixLength` characters of the prefix
    // buffer are this record's prefix.
    int Enter(ProcessRecord* record, int width, bool hasPrefix, size_t prefixLength, bool last)
    {
        wchar_t* prefix = prefix_.get();
        prefix[prefixLength] = L'\0';
        if (hasPrefix && width > 4) {
            Printf(L"%s%s", prefix, last ? L"└─" : L"├─");
            width -= 4;
        }
        if (int result = PrintProcessLine(record, ownPid_, flags_, width, highlight_))
            return result;
        if (processCount_)
            ++*processCount_;

        // Records of the current branch are no children (a cut cycle), and
        // are not counted, so the last connector stays right.
        Children candidates = index_.children.Find(record->entry.th32ProcessID);
        unsigned children = 0;
        for (const auto& [parent, candidate] : candidates)
            children += IsChild(candidate, record);

        // The children's prefix: this record's own, then a bar while
        // siblings follow. It stops growing when the buffer is full.
        const wchar_t* segment = hasPrefix && !last ? L"│ " : L"  ";
        size_t childLength = prefixLength;
        if (childLength + SEGMENT < PREFIX_SIZE) {
            wmemcpy(prefix + childLength, segment, SEGMENT);
            childLength += SEGMENT;
        }
        prefix[childLength] = L'\0';

        // A record with children is the deepest level while they are
        // written; the level owns its path mark from here on.
        if (children) {
            levels_.push_back({record, candidates, children, width, childLength});
            record->mark |= MARK_ON_PATH;
        }

        for (const auto& [owner, thread] : index_.threads.Find(record->entry.th32ProcessID)) {
            QPuts(prefix);
            QPuts(children ? L"│ " : L"  ");
            Printf((flags_ & TL_HEX) ? L"    TID: %08X    Priority: %u" : L"    TID: %7u    Priority: %u",
                   thread->threadId, thread->basePriority);
            if (threadCount_)
                ++*threadCount_;
            if (int result = EndLine())
                return result;
        }

        return 0;
    }

    const ListingIndex& index_;
    DWORD ownPid_;
    DWORD flags_;
    unsigned* processCount_;
    unsigned* threadCount_;
    const wchar_t* highlight_;
    std::unique_ptr<wchar_t[]> prefix_;
    std::vector<Level> levels_;
};

}  // namespace

ListingIndex::ListingIndex(ProcessRecord* list, const ThreadRecord* threadList)
    : children(list, [](const ProcessRecord* r) { return r->entry.th32ParentProcessID; }),
      threads(threadList, [](const ThreadRecord* t) { return t->ownerProcessId; })
{
}

int PrintProcessTree(const ListingIndex& index, ProcessRecord* record, DWORD ownPid, DWORD flags, int width,
                     unsigned* processCount, unsigned* threadCount, const wchar_t* prefix, bool last,
                     const wchar_t* highlight)
{
    if (!record)
        return -1;
    TreeWalk walk(index, ownPid, flags, processCount, threadCount, highlight);
    return walk.Run(record, width, prefix, last);
}

int PrintProcessTree(ProcessRecord* list, const ThreadRecord* threads, ProcessRecord* record, DWORD ownPid,
                     DWORD flags, int width, unsigned* processCount, unsigned* threadCount, const wchar_t* prefix,
                     bool last, const wchar_t* highlight)
{
    if (!record)
        return -1;
    return PrintProcessTree(ListingIndex(list, threads), record, ownPid, flags, width, processCount, threadCount,
                            prefix, last, highlight);
}
