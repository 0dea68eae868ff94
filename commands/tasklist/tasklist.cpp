// The TASKLIST command: reads the switches into option flags, a name, an
// owner pattern, sort keys and highlight patterns, prints the help texts,
// and hands over to ListProcesses.
#include <algorithm>
#include <cwchar>
#include <iterator>

#include "commands/common/front_end.h"
#include "commands/tasklist/tasklist.h"
#include "frame/errors.h"
#include "frame/host.h"
#include "frame/usage_texts.h"

namespace {

const wchar_t DisableHelpText[] =
    L"TASKLIST /N:  — disable features\n\n\tC\tno highlight\n\tD\tdo not match display names\n\tF\tno "
    L"footer\n\tS\tdo not collect service names\n\tW\tdo not collect window names\n";

const wchar_t SortHelpText[] =
    L"TASKLIST /O:  — sort processes\n\n\tM\tby memory usage (working set)\n\tN\tby process name\n\tP\tby "
    L"process ID\n\tT\tby window title or service name\n\tZ\tby parent process ID\n\t-\treverses the following key\n";

// Boost settings are only worth showing to an elevated user.
bool MayChangeBoost() { return IsProcessElevated(GetCurrentProcessId()) != 0; }

// The switches that only set (or clear) option flags, when `when` allows.
// None of them begins like a switch that is read by its prefix, so the
// order of the tests stays as the command line's rules have it.
struct FlagSwitch {
    const wchar_t* word;
    DWORD set, clear = 0;
    bool (*when)() = nullptr;
};
const FlagSwitch FlagSwitches[] = {
    {L"/B", TL_BOOST, 0, MayChangeBoost},
    {L"/C", TL_PRIORITY},
    {L"/CC", TL_PRIORITY | TL_CLASS_NAMES},
    {L"/D", TL_MODULES},
    {L"/DA", TL_MODULES | TL_MODULE_BASE},
    {L"/E", TL_EXTRA},
    {L"/F", TL_FILENAME},
    {L"/H", TL_THREADS},
    {L"/I", TL_INTEGRITY, 0, OsIsVistaOrLater},  // no integrity levels before 6
    {L"/L", TL_CMDLINE},
    {L"/M", TL_MEMORY, TL_MEMORY_SHORT},  // the last of /M and /MM decides
    {L"/MM", TL_MEMORY | TL_MEMORY_SHORT},
    {L"/N", TL_WINCLASS},
    {L"/NN", TL_WINCLASS | TL_CUT_WINCLASS},
    {L"/R", TL_TREE},
    {L"/T", TL_TIMES},
    {L"/U", TL_OWNER},
    {L"/X", TL_HEX},
    {L"/Z", TL_PARENT},
};

// The /N sub-options that set a flag.
const struct {
    wchar_t letter;
    DWORD flag;
} DisableLetters[] = {
    {L'D', TL_NO_TITLE_MATCH},
    {L'F', TL_NO_FOOTER},
    {L'S', TL_NO_SERVICES},
    {L'W', TL_NO_WINDOWS},
};

bool BeginsWith(const wchar_t* word, const wchar_t* text) { return wcsncmp(word, text, wcslen(text)) == 0; }

struct Tasklist {
    static constexpr unsigned SPLIT = SA_SPLIT_SPACE | SA_SPLIT_SWITCH | SA_UPPER;
    static constexpr const wchar_t* USAGE = TasklistUsageText;
    static constexpr const wchar_t* FORMS = TasklistFormText;
    static constexpr SortSwitch SORT{L"P", L"PNTZM", SortHelpText};

    SharedSwitches shared;
    DWORD flags = 0;
    const wchar_t* name = nullptr;
    const wchar_t* owner = nullptr;
    wchar_t ownPidText[12] = L"";

    int ReadSwitch(wchar_t* word)
    {
        for (const FlagSwitch& flag : FlagSwitches) {
            if (wcscmp(word, flag.word) != 0)
                continue;
            if (!flag.when || flag.when())
                flags = (flags | flag.set) & ~flag.clear;
            return SWITCH_TAKEN;
        }
        if (BeginsWith(word, L"/N"))
            return ReadDisableLetters(word);
        if (BeginsWith(word, L"/U")) {
            // /U:pattern; an empty one removes an earlier pattern.
            const wchar_t* pattern = word + 2;
            if (*pattern == L':' || *pattern == L'=')
                ++pattern;
            owner = *pattern ? pattern : nullptr;
            return SWITCH_TAKEN;
        }
        return NOT_MINE;
    }

    // /N followed by sub-option letters.
    int ReadDisableLetters(const wchar_t* word)
    {
        const wchar_t* letters = word + 2;
        if (*letters == L':' || *letters == L'=')
            ++letters;
        for (; *letters; ++letters) {
            if (*letters == L'?') {
                QPuts(DisableHelpText);
                return 0;
            }
            if (*letters == L'C') {
                shared.noColour = true;
                continue;
            }
            const auto* known = std::find_if(std::begin(DisableLetters), std::end(DisableLetters),
                                             [letter = *letters](const auto& d) { return d.letter == letter; });
            if (known == std::end(DisableLetters))
                return PrintError(L"Unknown suboption: /N:%c\r\n", *letters);
            flags |= known->flag;
        }
        return SWITCH_TAKEN;
    }

    int ReadArgument(wchar_t* word)
    {
        // One name only: a second word is most likely part of a title typed
        // without the quotes its blanks need.
        if (name)
            return PrintError(L"Syntax error: \"%s\" (a name with blanks must be quoted)\r\n", word);
        name = word;
        return SWITCH_TAKEN;
    }

    int CheckWords()
    {
        // A lone full stop names the plug-in's own process.
        wsprintfW(ownPidText, L"=%u", GetCurrentProcessId());
        if (name && wcscmp(name, L".") == 0)
            name = ownPidText;
        return SWITCH_TAKEN;
    }

    int List()
    {
        return ListProcesses(name, owner, flags, shared.sortKeys, shared.Highlight(), shared.form, shared.header);
    }
};

}  // namespace

VORNEL_EXPORT int WINAPI tasklist(const wchar_t* args)
{
    // Whatever was gathered is released by its owners on the way out.
    return Guarded(2, [args] { return RunCommand<Tasklist>(args); });
}
