// A process and its descendants with tree connectors, depth first in list
// order, each process followed by its module and thread lines. Children and
// threads come from the listing's index, so a tree costs what it prints.
// Each level narrows the lines by four columns while more than four are
// left; the prefix stops growing when its buffer is full, and deeper levels
// reuse it.
#include "commands/common/tree_walk.h"
#include "commands/tasklist/process_form.h"
#include "commands/tasklist/tasklist.h"
#include "frame/host.h"

namespace {

class ProcessTree {
public:
    using Node = ProcessRecord;

    using Entry = RecordsById<ProcessRecord>::Entry;

    static DWORD Id(const ProcessRecord* record) { return record->entry.th32ProcessID; }
    static bool OnBranch(const ProcessRecord* record) { return (record->mark & MARK_ON_BRANCH) != 0; }
    static void SetOnBranch(ProcessRecord* record, bool on)
    {
        record->mark = on ? record->mark | MARK_ON_BRANCH : record->mark & ~MARK_ON_BRANCH;
    }
    auto Children(const ProcessRecord* record) const { return index.children.Find(Id(record)); }
    // The list is sorted already.
    std::span<const Entry> Order(std::span<const Entry> candidates, std::vector<Entry>&) const { return candidates; }

    int Line(ProcessRecord* record, const wchar_t* prefix, bool hasPrefix, bool last, int& width)
    {
        if (form) {
            // A form's level, in place of a width (see form_tree.h).
            const unsigned level = width++;
            return form->Write(record, index.threads.Find(Id(record)), level);
        }
        if (hasPrefix && width > 4) {
            Printf(L"%s%s", prefix, last ? L"└─" : L"├─");
            width -= 4;
        }
        if (int result = PrintProcessLine(record, ownPid, flags, width, highlight))
            return result;
        if (processCount)
            ++*processCount;
        return 0;
    }

    int Below(const ProcessRecord* record, const wchar_t* childPrefix, bool hasChildren)
    {
        if (form)
            return form->Children();
        for (const auto& [owner, thread] : index.threads.Find(Id(record))) {
            if (int result = PrintThreadLine(thread, flags, childPrefix, hasChildren ? L"│ " : L"  "))
                return result;
            if (threadCount)
                ++*threadCount;
        }
        return 0;
    }

    const ListingIndex& index;
    DWORD ownPid;
    DWORD flags;
    unsigned* processCount;
    unsigned* threadCount;
    const wchar_t* highlight;
    ProcessForm* form = nullptr;  // records for programs instead of lines
    const wchar_t* rootSegment = L"  ";
    const wchar_t* bar = L"│ ";
    size_t deepest = TREE_PREFIX_SIZE - 1;  // the whole buffer: deeper levels reuse the full prefix
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
    ProcessTree tree{index, ownPid, flags, processCount, threadCount, highlight};
    return TreeWalk(tree).Run(record, width, prefix, last);
}

int WriteProcessTree(const ListingIndex& index, ProcessRecord* record, ProcessForm& form)
{
    ProcessTree tree{index, 0, 0, nullptr, nullptr, nullptr, &form};
    return TreeWalk(tree).Run(record, 0, nullptr, false);
}
