// One process's line and, indented under it, the lines of every process
// descended from it.
#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <optional>

#include "commands/enumprocesses/enumprocesses.h"
#include "console/console.h"
#include "frame/foreign_text.h"
#include "frame/host.h"
#include "frame/owners.h"

namespace {

// The processes from the requested one down to the one being printed. When
// a creation time cannot be read a reused parent ID stays in place, so the
// parent links may form a cycle; a child that is already on the path would
// close it and is not entered, which keeps the walk finite without changing
// any tree that has no cycle.
struct PathStep {
    DWORD processId;
    const PathStep* up;
};

bool OnPath(const PathStep* path, DWORD processId)
{
    for (; path; path = path->up)
        if (path->processId == processId)
            return true;
    return false;
}

// A process never counts as its own child (the path holds `here` itself).
bool IsChild(const _EnumProcInfo* record, const PathStep& here)
{
    return record->parentProcessId == here.processId && !OnPath(&here, record->processId);
}

constexpr wchar_t DeeperLevelsLeftOut[] = L"(deeper levels left out)";

struct Walk {
    const EnumProcChildren& children;
    unsigned flags;
    const wchar_t* highlightList;
    const wchar_t* sortKeys;
    const WindowTitleInfo* windowList;
    const ServiceNamesInfo* serviceList;
    // One PREFIX_SIZE buffer for the whole walk: a level's prefix is the
    // leading part that its ancestors wrote, so each level writes its two
    // characters after its parent's and the siblings reuse the same place.
    wchar_t* prefix;
};

// Everything of the line after the indentation: ID, name, title or services.
void WriteProcessText(const Walk& walk, DWORD processId, const wchar_t* name)
{
    Printf((walk.flags & EP_HEX) ? L"%04X  " : L"%u  ", processId);

    BYTE attribute = HighlightColor;
    if (walk.highlightList && HighlightColor != 0 && MatchProcessName(walk.highlightList, name) == 0)
        attribute = ReverseHighlightColor;
    // The name, the services and the title are matched as they are and
    // written masked.
    WriteHighlighted(ForeignText(name).get(), attribute);

    if (walk.flags & EP_WINDOWS) {
        // A service host shows its services rather than a window title.
        const ServiceNamesInfo* services = processId ? FindServiceNames(walk.serviceList, processId) : nullptr;
        if (services) {
            Printf(L"  %s", ForeignText(services->names).get());
        } else if (const WindowTitleInfo* window = FindWindowTitle(walk.windowList, processId)) {
            Printf(L"  %s", ForeignText(window->title).get());
        }
    }
}

// prefixLength is -1 for a requested process, otherwise the length of the
// parent's prefix in walk.prefix, at most PREFIX_SIZE - 3 so that this
// line's two characters and the terminator fit.
int PrintBranch(Walk& walk, DWORD processId, const wchar_t* name, int prefixLength, bool isLast,
                const PathStep* up)
{
    wchar_t* prefix = walk.prefix;
    int newLength = 0;
    if (prefixLength < 0) {
        // An empty line ahead of every requested tree.
        if (EndLine() == STOPPED)
            return STOPPED;
        prefix[0] = L'\0';
    } else {
        prefix[prefixLength] = L'\0';
        const wchar_t* indent = L"  ";
        if (walk.flags & EP_TREE) {
            Printf(L"%s%s", prefix, isLast ? L"└─" : L"├─");
            if (!isLast)
                indent = L"│ ";
        }
        prefix[prefixLength] = indent[0];
        prefix[prefixLength + 1] = indent[1];
        newLength = prefixLength + 2;
        prefix[newLength] = L'\0';
        if (!(walk.flags & EP_TREE))
            QPuts(prefix);
    }

    WriteProcessText(walk, processId, name);
    if (EndLine() == STOPPED)
        return STOPPED;

    const PathStep here{processId, up};
    const auto candidates = walk.children.Find(processId);
    int count = 0;
    for (const auto& [parent, record] : candidates)
        if (IsChild(record, here))
            ++count;
    if (count == 0)
        return 0;

    // About 510 levels fill the prefix; deeper descendants are not shown
    // rather than written past it (or recursed into without bound), and one
    // line in their place says so: a script reading the tree must not take
    // it for complete.
    if (newLength + 2 > PREFIX_SIZE - 1) {
        Printf(L"%s%s%s", prefix, (walk.flags & EP_TREE) ? L"└─" : L"  ", DeeperLevelsLeftOut);
        return EndLine() == STOPPED ? STOPPED : 0;
    }

    if (walk.sortKeys && count > 1) {
        auto children = vornel::unique_block<const _EnumProcInfo*>::allocate(count * sizeof(const _EnumProcInfo*));
        if (children) {
            int n = 0;
            for (const auto& [parent, record] : candidates)
                if (IsChild(record, here))
                    children[n++] = record;
            const wchar_t* keys = walk.sortKeys;
            std::stable_sort(children.get(), children.get() + count,
                             [keys](const _EnumProcInfo* a, const _EnumProcInfo* b) {
                                 return CompareChildren(keys, a, b) < 0;
                             });
            for (int i = 0; i < count; ++i) {
                if (PrintBranch(walk, children[i]->processId, children[i]->name, newLength, i == count - 1,
                                &here) == STOPPED)
                    return STOPPED;
            }
            return 0;
        }
        // Without the array the children still print, in snapshot order.
    }

    int n = 0;
    for (const auto& [parent, record] : candidates) {
        if (!IsChild(record, here))
            continue;
        ++n;
        if (PrintBranch(walk, record->processId, record->name, newLength, n == count, &here) == STOPPED)
            return STOPPED;
    }
    return 0;
}

}  // namespace

DWORD ChildKey(const _EnumProcInfo* record) { return record->parentProcessId; }

int CompareChildren(const wchar_t* sortKeys, const _EnumProcInfo* a, const _EnumProcInfo* b)
{
    for (const wchar_t* key = sortKeys; key && *key; ++key) {
        int result = 0;
        switch (towupper(*key)) {
        case L'N':
            result = _wcsicmp(a->name, b->name);
            break;
        case L'P':
            result = a->processId < b->processId ? -1 : (a->processId > b->processId ? 1 : 0);
            break;
        default:
            break;
        }
        if (iswlower(*key))
            result = -result;
        if (result != 0)
            return result;
    }
    return 0;
}

int PrintDescendants(const _EnumProcInfo* list, DWORD processId, const wchar_t* name, unsigned flags,
                     const wchar_t* prefix, bool isLast, const wchar_t* highlightList, const wchar_t* sortKeys,
                     const WindowTitleInfo* windowList, const ServiceNamesInfo* serviceList,
                     const EnumProcChildren* children)
{
    if (!list)
        return -1;
    auto buffer = vornel::unique_block<wchar_t>::allocate(PREFIX_SIZE * sizeof(wchar_t));
    if (!buffer)
        return -2;

    int prefixLength = -1;
    if (prefix) {
        prefixLength = 0;
        while (prefix[prefixLength] && prefixLength < PREFIX_SIZE - 3) {
            buffer[prefixLength] = prefix[prefixLength];
            ++prefixLength;
        }
    }
    std::optional<EnumProcChildren> own;
    if (!children)
        children = &own.emplace(list, ChildKey);
    Walk walk{*children,
              flags,
              highlightList && *highlightList ? highlightList : nullptr,
              sortKeys && *sortKeys ? sortKeys : nullptr,
              windowList,
              serviceList,
              buffer.get()};
    return PrintBranch(walk, processId, name ? name : L"", prefixLength, isLast, nullptr);
}
