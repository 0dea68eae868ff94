// One process line in two steps: its values, read once from the record and
// the process (every column's text or number and the trailing text: command
// line, image path, services or window title), then its layout: ID and
// mark, the optional columns in their fixed order, the name, and the
// trailing text cut to the console width.
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

// The values only a handle of the process answers; a token that does not
// open leaves the owner empty and the integrity 0.
void QueryFacts(HANDLE h, DWORD pid, DWORD flags, ProcessValues& values)
{
    bool elevation = (flags & TL_EXTRA) && OsIsVistaOrLater();
    if (flags & (TL_OWNER | TL_INTEGRITY) || elevation) {
        // One token for the owner, the integrity and the elevation.
        vornel::unique_handle token;
        if (OpenProcessToken(h, TOKEN_QUERY, token.put())) {
            if (flags & TL_OWNER)
                ReadTokenOwner(token.get(), values.owner);
            if (flags & TL_INTEGRITY)
                values.integrity = ReadTokenIntegrity(token.get());
            if (elevation)
                values.elevated = ReadTokenElevation(token.get()) == 1;
        } else if (flags & TL_INTEGRITY) {
            values.integrity = 0;
        }
    }
    if (flags & TL_PRIORITY)
        values.priorityClass = GetPriorityClass(h);
    if ((flags & TL_EXTRA) && !IsWow64Process(h, &values.wow64))
        values.wow64 = FALSE;
    if (flags & TL_BOOST) {
        if (!GetProcessPriorityBoost(h, &values.boostDisabled))
            values.boostDisabled = FALSE;
    }
    if ((flags & TL_FILENAME) && pid != 0)
        ReadProcessImagePath(h, values.path.get());
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
    const wchar_t* (*text)(const ProcessValues& values, wchar_t* buffer);
};

const wchar_t* OwnerText(const ProcessValues& values, wchar_t*) { return values.owner; }

const wchar_t* BoostText(const ProcessValues& values, wchar_t*)
{
    return values.boostDisabled ? L"×" : L"";
}

const wchar_t* PriorityNameText(const ProcessValues& values, wchar_t*)
{
    return PriorityClassWord(values.priorityClass);
}

const wchar_t* PriorityNumberText(const ProcessValues& values, wchar_t* buffer)
{
    if (!values.priorityClass)
        return L"-";
    wsprintfW(buffer, L"%X", static_cast<unsigned>(values.priorityClass));
    return buffer;
}

const wchar_t* IntegrityText(const ProcessValues& values, wchar_t*) { return IntegrityWord(values.integrity); }

const wchar_t* CpuTimeText(bool read, ULONGLONG time, wchar_t* buffer)
{
    if (!read)
        return L"-";
    FormatCpuTime(time, buffer);
    return buffer;
}

const wchar_t* KernelTimeText(const ProcessValues& values, wchar_t* buffer)
{
    return CpuTimeText(values.usage.timesRead, values.usage.kernelTime, buffer);
}

const wchar_t* UserTimeText(const ProcessValues& values, wchar_t* buffer)
{
    return CpuTimeText(values.usage.timesRead, values.usage.userTime, buffer);
}

const wchar_t* ShortMemoryText(const ProcessValues& values, wchar_t* buffer)
{
    if (!values.usage.memoryRead)
        return L"-";
    ULONGLONG value;
    wchar_t unit = ShortMemory(values.usage.workingSet, &value);
    wsprintfW(buffer, L"%I64u%c", value, unit);
    return buffer;
}

const wchar_t* MemoryText(const ProcessValues& values, wchar_t* buffer)
{
    if (!values.usage.memoryRead)
        return L"-";
    wsprintfW(buffer, L"%I64u", values.usage.workingSet);
    return buffer;
}

const wchar_t* WindowClassText(const ProcessValues& values, wchar_t*) { return values.windowClass; }

// Elevation exists from major version 6 on; older systems have no column.
const wchar_t* ElevatedText(const ProcessValues& values, wchar_t*)
{
    if (!OsIsVistaOrLater())
        return nullptr;
    return values.elevated ? L"↑" : L"";
}

const wchar_t* BitnessText(const ProcessValues& values, wchar_t*) { return values.wow64 ? L"»" : L""; }

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

// Writes one column, its text masked (an owner or a window class is
// another program's text); returns the width it took.
int WriteColumn(const Column& column, const wchar_t* text, wchar_t* buffer)
{
    size_t length = wcsnlen(text, NAME_BUFFER_SIZE - 1);
    wmemmove(buffer, text, length);
    buffer[length] = L'\0';
    MaskControlCharacters(buffer, length);
    text = buffer;
    TextFit shown = FitText(text, length, column.clip ? column.clip : INT_MAX);
    buffer[shown.units] = L'\0';
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
int WriteColumns(const ProcessValues& values, DWORD flags)
{
    wchar_t buffer[NAME_BUFFER_SIZE];
    int used = 0;
    for (const Column& column : COLUMNS) {
        if ((flags & column.mask) != column.shown)
            continue;
        if (const wchar_t* text = column.text(values, buffer))
            used += WriteColumn(column, text, buffer);
    }
    return used;
}

bool Highlighted(const wchar_t* highlight, const wchar_t* text)
{
    return NormalColor != 0 && highlight && MatchProcessName(highlight, text) == 0;
}

// The class of the process's window, while that window still exists.
void ReadWindowClass(const WindowTitleInfo* window, wchar_t* className)
{
    className[0] = L'\0';
    if (window && IsWindow(window->window))
        GetClassNameW(window->window, className, NAME_BUFFER_SIZE);
}

// The text after the name: the command line (/L wins over /F), the image
// path, else the services or the window title; null when there is none.
const wchar_t* TrailingText(DWORD flags, const ProcessHandle* process, ProcessValues& values)
{
    if (flags & TL_CMDLINE) {
        wchar_t* commandLine = values.path.get();
        commandLine[0] = L'\0';
        if (values.processId != 0 && process->memoryReadable() &&
            ReadProcessCommandLine(process->get(), commandLine) == 0 && commandLine[0])
            return commandLine;
        return nullptr;
    }
    const wchar_t* text = nullptr;
    if (flags & TL_FILENAME)
        text = values.path.get();
    else if (values.services)
        text = values.services;
    else
        text = values.title;
    return text && *text ? text : nullptr;
}

}  // namespace

void ReadProcessValues(const ProcessRecord* record, DWORD ownPid, DWORD flags, ProcessValues& values)
{
    const PROCESSENTRY32W& entry = record->entry;
    const DWORD pid = entry.th32ProcessID;
    values.processId = pid;
    values.parentProcessId = entry.th32ParentProcessID;
    values.own = ownPid != 0 && ownPid == pid;
    values.name = entry.szExeFile;
    // The path buffer serves the image path and the command line; only
    // those columns need it, and only its start needs clearing.
    if (flags & (TL_FILENAME | TL_CMDLINE)) {
        values.path = std::make_unique_for_overwrite<wchar_t[]>(PATH_BUFFER_SIZE);
        values.path[0] = L'\0';
    }
    // One handle for every column, the image path and the command line:
    // the listing's own when it holds the processes open.
    std::optional<ProcessHandle> process;
    if (flags & (QUERY_FLAGS | TL_CMDLINE))
        process.emplace(pid, (flags & TL_CMDLINE) != 0);
    if (process && process->get() && (flags & QUERY_FLAGS))
        QueryFacts(process->get(), pid, flags, values);
    if (flags & (TL_TIMES | TL_MEMORY))
        values.usage = ReadProcessUsage(pid);
    if (flags & TL_WINCLASS)
        ReadWindowClass(record->window, values.windowClass);
    values.services = record->services;
    values.serviceCount = record->serviceCount;
    values.title = record->window ? record->window->title : nullptr;
    values.trailing = TrailingText(flags, process ? &*process : nullptr, values);
}

int WriteProcessLine(const ProcessValues& values, DWORD flags, int width, const wchar_t* highlight)
{
    wchar_t start[NAME_BUFFER_SIZE];
    int length = wsprintfW(start, (flags & TL_HEX) ? L"%5X%c " : L"%5u%c ", values.processId, values.own ? L'*' : L' ');
    if (flags & TL_PARENT) {
        if (values.parentProcessId == 0)
            length += wsprintfW(start + length, L"      ");
        else
            length += wsprintfW(start + length, (flags & TL_HEX) ? L"%5X " : L"%5u ", values.parentProcessId);
    }
    width -= length;
    QPuts(start);
    width -= WriteColumns(values, flags);

    // The name is matched as it is and written masked.
    const ForeignText shownName(values.name);
    int nameColumns = TextColumns(shownName.get());
    int blanks = Padding(nameColumns, NAME_COLUMN);
    if (Highlighted(highlight, values.name)) {
        WriteHighlighted(shownName.get(), ReverseHighlightColor);
        WriteBlanks(blanks);
    } else {
        ColorPrintf(L"\x12%s%*s", shownName.get(), blanks, L"");
    }
    width -= nameColumns + blanks;

    if (values.trailing) {
        QPuts(L"  ");
        WriteClipped(values.trailing, LastTextRoom(width), Highlighted(highlight, values.trailing) ? ReverseHighlightColor : 0);
    }
    return EndLine();
}

int PrintProcessLine(const ProcessRecord* record, DWORD ownPid, DWORD flags, int width, const wchar_t* highlight)
{
    if (!record)
        return -1;
    if (highlight && !*highlight)
        highlight = nullptr;
    auto values = std::make_unique<ProcessValues>();
    ReadProcessValues(record, ownPid, flags, *values);
    if (WriteProcessLine(*values, flags, width, highlight) == STOPPED)
        return STOPPED;
    if ((flags & TL_MODULES) && DumpModules(values->processId, flags) == STOPPED)
        return STOPPED;
    return 0;
}
