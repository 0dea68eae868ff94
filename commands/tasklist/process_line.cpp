// One process line: ID and mark, the optional columns in their fixed order,
// the name, and the trailing text (command line, image path, services or
// window title) cut to the console width.
#include <windows.h>

#include <cwchar>
#include <memory>
#include <optional>

#include "commands/tasklist/tasklist.h"
#include "console/console.h"
#include "frame/foreign_text.h"
#include "frame/host.h"
#include "frame/owners.h"
#include "frame/plugin.h"
#include "frame/text_width.h"

namespace {

// The columns that only a handle of the process answers.
inline constexpr DWORD QUERY_FLAGS = TL_OWNER | TL_EXTRA | TL_PRIORITY | TL_BOOST | TL_INTEGRITY | TL_FILENAME;
inline constexpr int NAME_COLUMN = 16;

// What the columns show, read with one open of the process, and its working
// set and times, which the system tells of processes that do not open too.
// The defaults are what a process that cannot be opened shows.
struct ProcessFacts {
    wchar_t owner[NAME_BUFFER_SIZE] = L"";
    DWORD priorityClass = 0;
    int integrity = -1;
    ProcessUsage usage;
    bool elevated = false;
    BOOL wow64 = FALSE;
    BOOL boostDisabled = FALSE;
};

void QueryFacts(HANDLE h, DWORD pid, DWORD flags, ProcessFacts& facts, wchar_t* path)
{
    bool elevation = (flags & TL_EXTRA) && OsIsVistaOrLater();
    if (flags & (TL_OWNER | TL_INTEGRITY) || elevation) {
        // One token for the owner, the integrity and the elevation; a token
        // that does not open leaves the owner empty and the integrity 0.
        vornel::unique_handle token;
        if (OpenProcessToken(h, TOKEN_QUERY, token.put())) {
            if (flags & TL_OWNER) {
                ReadTokenOwner(token.get(), facts.owner);
                MaskControlCharacters(facts.owner);
            }
            if (flags & TL_INTEGRITY)
                facts.integrity = ReadTokenIntegrity(token.get());
            TOKEN_ELEVATION elevated{};
            DWORD got = 0;
            if (elevation && GetTokenInformation(token.get(), TokenElevation, &elevated, sizeof elevated, &got))
                facts.elevated = elevated.TokenIsElevated != 0;
        } else if (flags & TL_INTEGRITY) {
            facts.integrity = 0;
        }
    }
    if (flags & TL_PRIORITY)
        facts.priorityClass = GetPriorityClass(h);
    if ((flags & TL_EXTRA) && !IsWow64Process(h, &facts.wow64))
        facts.wow64 = FALSE;
    if (flags & TL_BOOST) {
        if (!GetProcessPriorityBoost(h, &facts.boostDisabled))
            facts.boostDisabled = FALSE;
    }
    if ((flags & TL_FILENAME) && pid != 0 && path)
        ReadProcessImagePath(h, path);
}

// Blanks written as text: the host's Printf is promised a printf-style
// format, not one that takes a width from its arguments.
void WriteBlanks(int count)
{
    static constexpr int RUN = 22;
    static constexpr wchar_t blanks[RUN + 1] = L"                      ";
    for (; count > 0; count -= RUN)
        QPuts(blanks + (count < RUN ? RUN - count : 0));
}

// What a column's text is made from.
struct ColumnSource {
    const ProcessRecord* record;
    const ProcessFacts& facts;
};

// One optional column: shown when the option bits under `mask` are
// `shown`; its text cut to `clip` columns (none when 0) and padded to
// `width` (on the left when `right`), then `gap` blanks. `text` returns the
// column's text, written into a buffer of NAME_BUFFER_SIZE characters or
// held elsewhere (no longer than that), or null to leave the column out.
struct Column {
    DWORD mask, shown;
    int width;
    bool right;
    int clip;
    int gap;
    const wchar_t* (*text)(const ColumnSource& source, wchar_t* buffer);
};

const wchar_t* OwnerText(const ColumnSource& source, wchar_t*) { return source.facts.owner; }

const wchar_t* BoostText(const ColumnSource& source, wchar_t*)
{
    return source.facts.boostDisabled ? L"×" : L"";
}

const wchar_t* PriorityNameText(const ColumnSource& source, wchar_t*)
{
    return PriorityClassWord(source.facts.priorityClass);
}

const wchar_t* PriorityNumberText(const ColumnSource& source, wchar_t* buffer)
{
    if (!source.facts.priorityClass)
        return L"-";
    wsprintfW(buffer, L"%X", static_cast<unsigned>(source.facts.priorityClass));
    return buffer;
}

const wchar_t* IntegrityText(const ColumnSource& source, wchar_t*) { return IntegrityWord(source.facts.integrity); }

const wchar_t* CpuTimeText(bool read, ULONGLONG time, wchar_t* buffer)
{
    if (!read)
        return L"-";
    FormatCpuTime(time, buffer);
    return buffer;
}

const wchar_t* KernelTimeText(const ColumnSource& source, wchar_t* buffer)
{
    return CpuTimeText(source.facts.usage.timesRead, source.facts.usage.kernelTime, buffer);
}

const wchar_t* UserTimeText(const ColumnSource& source, wchar_t* buffer)
{
    return CpuTimeText(source.facts.usage.timesRead, source.facts.usage.userTime, buffer);
}

const wchar_t* ShortMemoryText(const ColumnSource& source, wchar_t* buffer)
{
    if (!source.facts.usage.memoryRead)
        return L"-";
    ULONGLONG value;
    wchar_t unit = ShortMemory(source.facts.usage.workingSet, &value);
    wsprintfW(buffer, L"%I64u%c", value, unit);
    return buffer;
}

const wchar_t* MemoryText(const ColumnSource& source, wchar_t* buffer)
{
    if (!source.facts.usage.memoryRead)
        return L"-";
    wsprintfW(buffer, L"%I64u", source.facts.usage.workingSet);
    return buffer;
}

const wchar_t* WindowClassText(const ColumnSource& source, wchar_t* buffer)
{
    buffer[0] = L'\0';
    const WindowTitleInfo* window = source.record->window;
    if (window && IsWindow(window->window))
        GetClassNameW(window->window, buffer, NAME_BUFFER_SIZE);
    MaskControlCharacters(buffer);
    return buffer;
}

// Elevation exists from major version 6 on; older systems have no column.
const wchar_t* ElevatedText(const ColumnSource& source, wchar_t*)
{
    if (!OsIsVistaOrLater())
        return nullptr;
    return source.facts.elevated ? L"↑" : L"";
}

const wchar_t* BitnessText(const ColumnSource& source, wchar_t*) { return source.facts.wow64 ? L"»" : L""; }

// The columns in their fixed order. An account name or an uncut window
// class may be wider than its column: the line gives it the columns it
// takes.
constexpr DWORD PRIORITY_BITS = TL_PRIORITY | TL_CLASS_NAMES;
constexpr DWORD MEMORY_BITS = TL_MEMORY | TL_MEMORY_SHORT;
constexpr DWORD WINCLASS_BITS = TL_WINCLASS | TL_CUT_WINCLASS;
constexpr Column COLUMNS[] = {
    {TL_OWNER, TL_OWNER, 17, false, 0, 1, OwnerText},
    {TL_BOOST, TL_BOOST, 1, false, 0, 1, BoostText},
    {PRIORITY_BITS, PRIORITY_BITS, 8, false, 0, 2, PriorityNameText},
    {PRIORITY_BITS, TL_PRIORITY, 4, true, 0, 2, PriorityNumberText},
    {TL_INTEGRITY, TL_INTEGRITY, 3, false, 0, 2, IntegrityText},
    {TL_TIMES, TL_TIMES, 12, true, 0, 2, KernelTimeText},
    {TL_TIMES, TL_TIMES, 12, true, 0, 2, UserTimeText},
    {MEMORY_BITS, MEMORY_BITS, 5, true, 0, 2, ShortMemoryText},
    {MEMORY_BITS, TL_MEMORY, 11, true, 0, 2, MemoryText},
    {WINCLASS_BITS, WINCLASS_BITS, 20, false, 20, 2, WindowClassText},
    {WINCLASS_BITS, TL_WINCLASS, 20, false, 0, 2, WindowClassText},
    {TL_EXTRA, TL_EXTRA, 1, false, 0, 0, ElevatedText},
    {TL_EXTRA, TL_EXTRA, 1, false, 0, 1, BitnessText},
};

// Writes one column; returns the width it took.
int WriteColumn(const Column& column, const wchar_t* text, wchar_t* buffer)
{
    size_t length = wcslen(text);
    TextFit shown = FitText(text, length, column.clip ? column.clip : INT_MAX);
    if (shown.units < length) {
        wmemmove(buffer, text, shown.units);
        buffer[shown.units] = L'\0';
        text = buffer;
    }
    int blanks = Padding(shown.columns, column.width);
    if (column.right)
        WriteBlanks(blanks);
    if (*text)
        QPuts(text);
    WriteBlanks(column.right ? column.gap : blanks + column.gap);
    return shown.columns + blanks + column.gap;
}

// The columns between the start text and the name; returns the width they
// took.
int WriteColumns(const ProcessRecord* record, DWORD flags, const ProcessFacts& facts)
{
    const ColumnSource source{record, facts};
    wchar_t buffer[NAME_BUFFER_SIZE];
    int used = 0;
    for (const Column& column : COLUMNS) {
        if ((flags & column.mask) != column.shown)
            continue;
        if (const wchar_t* text = column.text(source, buffer))
            used += WriteColumn(column, text, buffer);
    }
    return used;
}

bool Highlighted(const wchar_t* highlight, const wchar_t* text)
{
    return NormalColor != 0 && highlight && MatchProcessName(highlight, text) == 0;
}

}  // namespace

int PrintProcessLine(const ProcessRecord* record, DWORD ownPid, DWORD flags, int width, const wchar_t* highlight)
{
    if (!record)
        return -1;
    if (highlight && !*highlight)
        highlight = nullptr;
    const PROCESSENTRY32W& entry = record->entry;
    DWORD pid = entry.th32ProcessID;

    wchar_t start[NAME_BUFFER_SIZE];
    wchar_t mark = ownPid != 0 && ownPid == pid ? L'*' : L' ';
    int length = wsprintfW(start, (flags & TL_HEX) ? L"%5X%c " : L"%5u%c ", pid, mark);
    if (flags & TL_PARENT) {
        if (entry.th32ParentProcessID == 0)
            length += wsprintfW(start + length, L"      ");
        else
            length += wsprintfW(start + length, (flags & TL_HEX) ? L"%5X " : L"%5u ", entry.th32ParentProcessID);
    }
    width -= length;
    QPuts(start);

    // The path buffer serves the image path and the command line; only
    // those columns need it, and only its start needs clearing.
    std::unique_ptr<wchar_t[]> path;
    if (flags & (TL_FILENAME | TL_CMDLINE)) {
        path = std::make_unique_for_overwrite<wchar_t[]>(PATH_BUFFER_SIZE);
        path[0] = L'\0';
    }
    auto facts = std::make_unique<ProcessFacts>();
    // One handle for every column, the image path and the command line:
    // the listing's own when it holds the processes open.
    std::optional<ProcessHandle> process;
    if (flags & (QUERY_FLAGS | TL_CMDLINE))
        process.emplace(pid, (flags & TL_CMDLINE) != 0);
    if (process && process->get() && (flags & QUERY_FLAGS))
        QueryFacts(process->get(), pid, flags, *facts, path.get());
    if (flags & (TL_TIMES | TL_MEMORY))
        facts->usage = ReadProcessUsage(pid);
    width -= WriteColumns(record, flags, *facts);

    // The name is matched as it is and written masked.
    const wchar_t* name = entry.szExeFile;
    const ForeignText shownName(name);
    int nameColumns = TextColumns(shownName.get());
    int blanks = Padding(nameColumns, NAME_COLUMN);
    if (Highlighted(highlight, name)) {
        WriteHighlighted(shownName.get(), ReverseHighlightColor);
        WriteBlanks(blanks);
    } else {
        ColorPrintf(L"\x12%s%*s", shownName.get(), blanks, L"");
    }
    width -= nameColumns + blanks;

    const wchar_t* trailing = nullptr;
    if (flags & TL_CMDLINE) {
        path[0] = L'\0';
        if (pid != 0 && process->memoryReadable() && ReadProcessCommandLine(process->get(), path.get()) == 0 &&
            path[0])
            trailing = path.get();
    } else if (flags & TL_FILENAME) {
        trailing = path.get();
    } else if (record->services) {
        trailing = record->services;
    } else if (record->window) {
        trailing = record->window->title;
    }
    if (trailing && *trailing) {
        QPuts(L"  ");
        WriteClipped(trailing, width - 3, Highlighted(highlight, trailing) ? ReverseHighlightColor : 0);
    }

    if (EndLine() == STOPPED)
        return STOPPED;
    if ((flags & TL_MODULES) && DumpModules(pid, flags) == STOPPED)
        return STOPPED;
    return 0;
}
