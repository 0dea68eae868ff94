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

// The columns between the start text and the name; returns the width they
// took.
int WriteColumns(const ProcessRecord* record, DWORD flags, const ProcessFacts& facts)
{
    int used = 0;
    if (flags & TL_OWNER) {
        // An account name may be wider than its column: the line gives it
        // the columns it takes, as it does a long window class.
        int columns = TextColumns(facts.owner), blanks = Padding(columns, 17);
        QPuts(facts.owner);
        WriteBlanks(blanks + 1);
        used += columns + blanks + 1;
    }
    if (flags & TL_BOOST) {
        QPuts(facts.boostDisabled ? L"× " : L"  ");
        used += 2;
    }
    if (flags & TL_PRIORITY) {
        if (flags & TL_CLASS_NAMES) {
            Printf(L"%-8s  ", PriorityClassWord(facts.priorityClass));
            used += 10;
        } else {
            if (facts.priorityClass)
                Printf(L"%4X  ", facts.priorityClass);
            else
                QPuts(L"   -  ");
            used += 6;
        }
    }
    if (flags & TL_INTEGRITY) {
        Printf(L"%-3s  ", IntegrityWord(facts.integrity));
        used += 5;
    }
    if (flags & TL_TIMES) {
        if (facts.usage.timesRead) {
            wchar_t kernel[NAME_BUFFER_SIZE], user[NAME_BUFFER_SIZE];
            FormatCpuTime(facts.usage.kernelTime, kernel);
            FormatCpuTime(facts.usage.userTime, user);
            Printf(L"%12s  %12s  ", kernel, user);
        } else {
            QPuts(L"           -             -  ");
        }
        used += 28;
    }
    if (flags & TL_MEMORY) {
        if (flags & TL_MEMORY_SHORT) {
            if (facts.usage.memoryRead) {
                ULONGLONG value;
                wchar_t unit = ShortMemory(facts.usage.workingSet, &value);
                Printf(L"%4I64u%c  ", value, unit);
            } else {
                QPuts(L"    -  ");
            }
            used += 7;
        } else {
            if (facts.usage.memoryRead)
                Printf(L"%11I64u  ", facts.usage.workingSet);
            else
                QPuts(L"          -  ");
            used += 13;
        }
    }
    if (flags & TL_WINCLASS) {
        wchar_t className[NAME_BUFFER_SIZE] = L"";
        if (record->window && IsWindow(record->window->window))
            GetClassNameW(record->window->window, className, NAME_BUFFER_SIZE);
        MaskControlCharacters(className);
        TextFit shown = FitText(className, wcslen(className), (flags & TL_CUT_WINCLASS) ? 20 : INT_MAX);
        className[shown.units] = L'\0';
        int blanks = Padding(shown.columns, 20);
        QPuts(className);
        WriteBlanks(blanks + 2);
        used += shown.columns + blanks + 2;
    }
    if (flags & TL_EXTRA) {
        if (OsIsVistaOrLater()) {
            QPuts(facts.elevated ? L"↑" : L" ");
            used += 1;
        }
        QPuts(facts.wow64 ? L"» " : L"  ");
        used += 2;
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
