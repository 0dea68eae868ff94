// One process line: ID and mark, the optional columns in their fixed order,
// the name, and the trailing text (command line, image path, services or
// window title) cut to the console width.
#include <windows.h>
#include <psapi.h>

#include <cwchar>
#include <memory>
#include <optional>

#include "commands/tasklist/tasklist.h"
#include "console/console.h"
#include "frame/foreign_text.h"
#include "frame/host.h"
#include "frame/owners.h"
#include "frame/plugin.h"

namespace {

inline constexpr DWORD QUERY_FLAGS =
    TL_OWNER | TL_EXTRA | TL_TIMES | TL_PRIORITY | TL_MEMORY | TL_BOOST | TL_INTEGRITY | TL_FILENAME;
inline constexpr int NAME_COLUMN = 16;

// What the columns show, read with one open of the process. The defaults
// are what a process that cannot be opened shows.
struct ProcessFacts {
    wchar_t owner[NAME_BUFFER_SIZE] = L"";
    DWORD priorityClass = 0;
    int integrity = -1;
    bool timesRead = false;
    FILETIME created{}, exited{}, kernel{}, user{};
    bool memoryRead = false;
    ULONGLONG workingSet = 0;
    bool elevated = false;
    BOOL wow64 = FALSE;
    BOOL boostDisabled = FALSE;
};

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

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
    if (flags & TL_TIMES)
        facts.timesRead = GetProcessTimes(h, &facts.created, &facts.exited, &facts.kernel, &facts.user) != FALSE;
    if (flags & TL_MEMORY) {
        PROCESS_MEMORY_COUNTERS counters{};
        static_assert(sizeof counters == 72);
        facts.memoryRead = GetProcessMemoryInfo(h, &counters, sizeof counters) != FALSE;
        facts.workingSet = counters.WorkingSetSize;
    }
    if ((flags & TL_EXTRA) && !IsWow64Process(h, &facts.wow64))
        facts.wow64 = FALSE;
    if (flags & TL_BOOST) {
        if (!GetProcessPriorityBoost(h, &facts.boostDisabled))
            facts.boostDisabled = FALSE;
    }
    if ((flags & TL_FILENAME) && pid != 0 && path)
        ReadProcessImagePath(h, path);
}

// The columns between the start text and the name; returns the width they
// took.
int WriteColumns(const ProcessRecord* record, DWORD flags, const ProcessFacts& facts)
{
    int used = 0;
    if (flags & TL_OWNER) {
        Printf(L"%-17s ", facts.owner);
        used += 18;
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
        if (facts.timesRead) {
            wchar_t kernel[NAME_BUFFER_SIZE], user[NAME_BUFFER_SIZE];
            FormatCpuTime(Ticks(facts.kernel), kernel);
            FormatCpuTime(Ticks(facts.user), user);
            Printf(L"%12s  %12s  ", kernel, user);
        } else {
            QPuts(L"           -             -  ");
        }
        used += 28;
    }
    if (flags & TL_MEMORY) {
        if (flags & TL_MEMORY_SHORT) {
            if (facts.memoryRead) {
                ULONGLONG value;
                wchar_t unit = ShortMemory(facts.workingSet, &value);
                Printf(L"%4I64u%c  ", value, unit);
            } else {
                QPuts(L"    -  ");
            }
            used += 7;
        } else {
            if (facts.memoryRead)
                Printf(L"%11I64u  ", facts.workingSet);
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
        int length = static_cast<int>(wcslen(className));
        if (flags & TL_CUT_WINCLASS) {
            Printf(L"%-20.20s  ", className);
            used += 22;
        } else {
            Printf(L"%-20s  ", className);
            used += length > 20 ? length + 2 : 22;
        }
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
    width -= WriteColumns(record, flags, *facts);

    // The name is matched as it is and written masked.
    const wchar_t* name = entry.szExeFile;
    const ForeignText shownName(name);
    int nameLength = static_cast<int>(wcslen(name));
    if (Highlighted(highlight, name)) {
        WriteHighlighted(shownName.get(), ReverseHighlightColor);
        if (nameLength < NAME_COLUMN) {
            wchar_t blanks[NAME_COLUMN + 1];
            wmemset(blanks, L' ', NAME_COLUMN - nameLength);
            blanks[NAME_COLUMN - nameLength] = L'\0';
            QPuts(blanks);
        }
    } else {
        ColorPrintf(L"\x12%-16s", shownName.get());
    }
    width -= nameLength > NAME_COLUMN ? nameLength : NAME_COLUMN;

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
