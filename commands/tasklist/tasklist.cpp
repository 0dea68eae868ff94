// The TASKLIST command: reads the switches into option flags, a name, an
// owner pattern, sort keys and highlight patterns, prints the help texts,
// settles paging and colours, and hands over to ListProcesses.
#include <cwchar>
#include <memory>

#include "commands/tasklist/tasklist.h"
#include "console/console.h"
#include "frame/args.h"
#include "frame/host.h"
#include "frame/plugin.h"
#include "frame/usage_texts.h"

namespace {

const wchar_t DisableHelpText[] =
    L"TASKLIST /N:  — disable features\n\n\tC\tno highlight\n\tD\tdo not match display names\n\tF\tno "
    L"footer\n\tS\tdo not collect service names\n\tW\tdo not collect window names\n";

const wchar_t SortHelpText[] =
    L"TASKLIST /O:  — sort processes\n\n\tM\tby memory usage (working set)\n\tN\tby process name\n\tP\tby "
    L"process ID\n\tT\tby window title or service name\n\tZ\tby parent process ID\n\t-\treverses the following key\n";

struct Options {
    DWORD flags = 0;
    const wchar_t* name = nullptr;
    const wchar_t* owner = nullptr;
    wchar_t sortKeys[SORT_KEYS_SIZE] = L"";
    std::unique_ptr<wchar_t[]> highlight = std::make_unique<wchar_t[]>(HIGHLIGHT_SIZE);
    bool noColour = false;
    unsigned int pageLines = 0;
};

// /N followed by sub-option letters.
int ReadDisableSwitch(const wchar_t* word, Options& options)
{
    const wchar_t* letters = word + 2;
    if (*letters == L':' || *letters == L'=')
        ++letters;
    for (; *letters; ++letters) {
        switch (*letters) {
        case L'?':
            QPuts(DisableHelpText);
            return 0;
        case L'C':
            options.noColour = true;
            break;
        case L'D':
            options.flags |= TL_NO_TITLE_MATCH;
            break;
        case L'F':
            options.flags |= TL_NO_FOOTER;
            break;
        case L'S':
            options.flags |= TL_NO_SERVICES;
            break;
        case L'W':
            options.flags |= TL_NO_WINDOWS;
            break;
        default:
            return PrintError(L"Unknown suboption: /N:%c\r\n", *letters);
        }
    }
    return SWITCH_TAKEN;
}

bool Is(const wchar_t* word, const wchar_t* text) { return wcscmp(word, text) == 0; }
bool BeginsWith(const wchar_t* word, const wchar_t* text) { return wcsncmp(word, text, wcslen(text)) == 0; }

// One word of the command line; SWITCH_TAKEN, or the command's result.
int ReadWord(wchar_t* word, Options& options)
{
    DWORD& flags = options.flags;
    if (BeginsWith(word, L"/?"))
        return ShowUsage(TasklistUsageText, word[2] == L'?');
    if (Is(word, L"/B")) {
        // Boost settings are only worth showing to an elevated user.
        if (IsProcessElevated(GetCurrentProcessId()) != 0)
            flags |= TL_BOOST;
    } else if (Is(word, L"/C")) {
        flags |= TL_PRIORITY;
    } else if (Is(word, L"/CC")) {
        flags |= TL_PRIORITY | TL_CLASS_NAMES;
    } else if (Is(word, L"/D")) {
        flags |= TL_MODULES;
    } else if (Is(word, L"/DA")) {
        flags |= TL_MODULES | TL_MODULE_BASE;
    } else if (Is(word, L"/E")) {
        flags |= TL_EXTRA;
    } else if (Is(word, L"/F")) {
        flags |= TL_FILENAME;
    } else if (BeginsWith(word, L"/HL")) {
        return ReadHighlightSwitch(word, options.highlight.get());
    } else if (Is(word, L"/H")) {
        flags |= TL_THREADS;
    } else if (Is(word, L"/I")) {
        if (OsIsVistaOrLater())
            flags |= TL_INTEGRITY;
    } else if (Is(word, L"/L")) {
        flags |= TL_CMDLINE;
    } else if (Is(word, L"/M")) {
        flags = (flags | TL_MEMORY) & ~TL_MEMORY_SHORT;
    } else if (Is(word, L"/MM")) {
        flags |= TL_MEMORY | TL_MEMORY_SHORT;
    } else if (Is(word, L"/N")) {
        flags |= TL_WINCLASS;
    } else if (Is(word, L"/NN")) {
        flags |= TL_WINCLASS | TL_CUT_WINCLASS;
    } else if (BeginsWith(word, L"/N")) {
        return ReadDisableSwitch(word, options);
    } else if (Is(word, L"/O")) {
        wcscpy(options.sortKeys, L"P");
    } else if (BeginsWith(word, L"/O")) {
        return ReadSortSwitch(word, SortHelpText, L"PNTZM", options.sortKeys);
    } else if (BeginsWith(word, L"/P")) {
        if (ParsePauseOption(word, &options.pageLines) != 0)
            return 1;
    } else if (Is(word, L"/R")) {
        flags |= TL_TREE;
    } else if (Is(word, L"/T")) {
        flags |= TL_TIMES;
    } else if (Is(word, L"/U")) {
        flags |= TL_OWNER;
    } else if (BeginsWith(word, L"/U")) {
        const wchar_t* owner = word + 2;
        if (*owner == L':' || *owner == L'=')
            ++owner;
        options.owner = *owner ? owner : nullptr;
    } else if (Is(word, L"/X")) {
        flags |= TL_HEX;
    } else if (Is(word, L"/Z")) {
        flags |= TL_PARENT;
    } else if (word[0] == L'/') {
        return PrintError(L"Unknown option: \"%s\"\r\n", word);
    } else if (options.name) {
        return PrintError(L"Syntax error: \"%s\"\r\n", word);
    } else {
        options.name = word;
    }
    return SWITCH_TAKEN;
}

int RunTasklist(const wchar_t* args)
{
    if (!args)
        return 1;
    Options options;
    ResetOutputState();
    // An overflowing split has written its message; listing everything as
    // if no argument were given would report success for a rejected line.
    if (SplitArguments(args, SA_SPLIT_SPACE | SA_SPLIT_SWITCH | SA_UPPER) < 0)
        return 1;
    for (int i = 0; i < ArgCount; ++i) {
        int result = ReadWord(ArgWords[i], options);
        if (result != SWITCH_TAKEN)
            return result;
    }

    wchar_t ownPidText[12];
    wsprintfW(ownPidText, L"=%u", GetCurrentProcessId());
    if (options.name && Is(options.name, L"."))
        options.name = ownPidText;
    if (options.pageLines)
        SetPageLength(options.pageLines);
    InitOutputOptions(options.noColour);
    if (NormalColor == 0)
        options.highlight[0] = L'\0';
    return ListProcesses(options.name, options.owner, options.flags, options.sortKeys,
                         options.highlight[0] ? options.highlight.get() : nullptr);
}

}  // namespace

VORNEL_EXPORT int WINAPI tasklist(const wchar_t* args)
{
    try {
        return RunTasklist(args);
    } catch (...) {
        // Whatever was gathered is released by its owners on the way here;
        // the host only learns that the listing failed.
        return 2;
    }
}
