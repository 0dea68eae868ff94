// One process's line and, indented under it, the lines of every process
// descended from it.
#include <algorithm>
#include <cwchar>
#include <optional>

#include "commands/common/form_tree.h"
#include "commands/common/tree_walk.h"
#include "commands/enumprocesses/enumprocesses.h"
#include "console/console.h"
#include "frame/foreign_text.h"
#include "frame/host.h"
#include "frame/sort_keys.h"

namespace {

constexpr wchar_t DeeperLevelsLeftOut[] = L"(deeper levels left out)";

constexpr FormName PID{L"PID", L"pid"}, NAME{L"Name", L"name"}, LEVEL{L"Level", L"level"},
    SERVICES{L"Services", L"services"}, TITLE{L"Window Title", L"windowTitle"};
// CSV shows the tree by each row's level below its requested process.
constexpr const wchar_t* COLUMNS[] = {PID.header, NAME.header, LEVEL.header, SERVICES.header, TITLE.header};

// The requested process (drawn with the name given, whether or not the
// list holds it) and its descendants, with connectors (/T) or indented
// only. About 510 levels fill the prefix; deeper descendants are not shown,
// and one line in their place says so: a script reading the tree must not
// take it for complete.
class DescendantTree {
public:
    using Node = const _EnumProcInfo;

    using Entry = EnumProcChildren::Entry;

    static DWORD Id(const _EnumProcInfo* record) { return record->processId; }
    static bool OnBranch(const _EnumProcInfo* record) { return record->onBranch; }
    static void SetOnBranch(const _EnumProcInfo* record, bool on) { record->onBranch = on; }
    auto Children(const _EnumProcInfo* record) const { return children.Find(record->processId); }

    // In snapshot order, or sorted by the keys into `ordered`.
    std::span<const Entry> Order(std::span<const Entry> candidates, std::vector<Entry>& ordered) const
    {
        if (!sortKeys || candidates.size() < 2)
            return candidates;
        ordered.assign(candidates.begin(), candidates.end());
        std::stable_sort(ordered.begin(), ordered.end(), [this](const Entry& a, const Entry& b) {
            return CompareChildren(sortKeys, a.second, b.second) < 0;
        });
        return ordered;
    }

    int Line(const _EnumProcInfo* record, const wchar_t* prefix, bool hasPrefix, bool last, int& width)
    {
        if (form)
            return WriteRecord(record, width);
        if (!hasPrefix) {
            // An empty line ahead of every requested tree.
            if (EndLine() == STOPPED)
                return STOPPED;
        } else if (flags & EP_TREE) {
            Printf(L"%s%s", prefix, last ? L"└─" : L"├─");
        } else {
            Printf(L"%s  ", prefix);
        }
        WriteProcessText(record->processId, record == root ? rootName : record->name);
        return EndLine() == STOPPED ? STOPPED : 0;
    }

    int Below(const _EnumProcInfo*, const wchar_t*, bool) { return form ? form->Children() : 0; }

    int LeftOut(const wchar_t* childPrefix)
    {
        Printf(L"%s%s%s", childPrefix, (flags & EP_TREE) ? L"└─" : L"  ", DeeperLevelsLeftOut);
        return EndLine() == STOPPED ? STOPPED : 0;
    }

    const EnumProcChildren& children;
    unsigned flags;
    const wchar_t* highlightList;
    const wchar_t* sortKeys;
    const ProcessTexts* texts;
    const _EnumProcInfo* root;
    const wchar_t* rootName;
    FormTree* form;
    const wchar_t* rootSegment = L"";  // the children of a requested process start at the left edge
    const wchar_t* bar = (flags & EP_TREE) ? L"│ " : L"  ";
    size_t deepest = TREE_PREFIX_SIZE - 3;  // children only where their own children's two columns still fit

private:
    // The process's record in the form, `level` below the requested one (the
    // walk's width, see form_tree.h). Its services and its title, each whole.
    int WriteRecord(const _EnumProcInfo* record, int& level) const
    {
        const DWORD processId = record->processId;
        const ServiceNamesInfo* services = processId && texts ? texts->services.First(processId) : nullptr;
        const WindowTitleInfo* window = texts ? texts->windows.First(processId) : nullptr;
        const ServiceItems serviceItems(services ? services->names : nullptr, services ? services->nameCount : 0);
        const FormField pid = IntegerField(PID, processId);
        const FormField name = TextField(NAME, record == root ? rootName : record->name);
        const FormField names = ListField(SERVICES, serviceItems.items());
        const FormField title = TextField(TITLE, window ? window->title : nullptr);
        // JSON's nesting shows the level; CSV's rows say it.
        const FormField json[] = {pid, name, names, title};
        const FormField csv[] = {pid, name, IntegerField(LEVEL, level), names, title};
        std::span<const FormField> shown = csv;
        if (form->out().Nests())
            shown = json;
        const unsigned depth = level++;
        return form->Open(depth, shown.first(shown.size() - ((flags & EP_WINDOWS) ? 0 : 2)));
    }

    // Everything of the line after the indentation: ID, name, title or services.
    void WriteProcessText(DWORD processId, const wchar_t* name) const
    {
        Printf((flags & EP_HEX) ? L"%04X  " : L"%u  ", processId);

        BYTE attribute = HighlightColor;
        if (highlightList && HighlightColor != 0 && MatchProcessName(highlightList, name) == 0)
            attribute = ReverseHighlightColor;
        // The name, the services and the title are matched as they are and
        // written masked.
        WriteHighlighted(ForeignText(name).get(), attribute);

        if ((flags & EP_WINDOWS) && texts) {
            // A service host shows its services rather than a window title.
            const ServiceNamesInfo* services = processId ? texts->services.First(processId) : nullptr;
            if (services) {
                Printf(L"  %s", ForeignText(services->names).get());
            } else if (const WindowTitleInfo* window = texts->windows.First(processId)) {
                Printf(L"  %s", ForeignText(window->title).get());
            }
        }
    }
};

}  // namespace

DWORD ChildKey(const _EnumProcInfo* record) { return record->parentProcessId; }

std::span<const wchar_t* const> DescendantColumns(unsigned flags)
{
    return std::span(COLUMNS).first((flags & EP_WINDOWS) ? 5 : 3);
}

int CompareChildren(const wchar_t* sortKeys, const _EnumProcInfo* a, const _EnumProcInfo* b)
{
    return vornel::CompareByKeys(sortKeys, [a, b](wchar_t key) {
        switch (key) {
        case L'N':
            return _wcsicmp(a->name, b->name);
        case L'P':
            return vornel::CompareUnsigned(a->processId, b->processId);
        default:
            return 0;
        }
    });
}

int PrintDescendants(const _EnumProcInfo* list, DWORD processId, const wchar_t* name, const wchar_t* prefix,
                     bool isLast, const DescendantOptions& options)
{
    if (!list)
        return -1;
    const EnumProcChildren* children = options.children;
    std::optional<EnumProcChildren> own;
    if (!children)
        children = &own.emplace(list, ChildKey);
    const _EnumProcInfo root{nullptr, processId, 0, false, {L'\0'}};
    DescendantTree tree{*children,
                        options.flags,
                        options.highlightList && *options.highlightList ? options.highlightList : nullptr,
                        options.sortKeys && *options.sortKeys ? options.sortKeys : nullptr,
                        options.texts,
                        &root,
                        name ? name : L"",
                        options.form};
    // A form draws nothing, so it holds the whole tree however deep.
    if (options.form)
        tree.deepest = TREE_PREFIX_SIZE - 1;
    return TreeWalk(tree).Run(&root, 0, prefix, isLast);
}
