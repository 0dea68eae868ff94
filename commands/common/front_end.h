// The road every command takes around its own words: split the argument
// text, read each word, check what the words ask for together, settle
// paging and colours, then list with the Ctrl-C handler in place. No way
// out of a command leaves the handler registered or a Ctrl-C mark set.
#pragma once

#include <memory>

#include "console/console.h"
#include "console/forms.h"
#include "frame/args.h"
#include "frame/owners.h"

// What a command reads of a sort switch: "/O" alone sets `plain`, "/O:..."
// takes `letters`, and a "?" in it prints `help`.
struct SortSwitch {
    const wchar_t* plain;
    const wchar_t* letters;
    const wchar_t* help;
};

// The switches every command reads alike (/HL, /O, /P, /FO, /NH) and the
// colour switch each names its own way.
struct SharedSwitches {
    bool noColour = false;
    OutputForm form = OutputForm::Table;
    bool header = true;  // /NH: a CSV listing without its header line
    unsigned int pageLines = 0;
    wchar_t sortKeys[SORT_KEYS_SIZE] = L"";
    std::unique_ptr<wchar_t[]> highlight = std::make_unique<wchar_t[]>(HIGHLIGHT_SIZE);

    // Null when empty, as the listings take them.
    const wchar_t* Highlight() const { return highlight[0] ? highlight.get() : nullptr; }
    const wchar_t* SortKeys() const { return sortKeys[0] ? sortKeys : nullptr; }
};

// A word that is none of the reader's switches.
inline constexpr int NOT_MINE = -2;

// Reads /HL, /O, /P, /FO and /NH; NOT_MINE for any other word, else
// SWITCH_TAKEN or the command's result.
int ReadSharedSwitch(wchar_t* word, SharedSwitches& shared, const SortSwitch& sort, const wchar_t* formHelp);
// Page length and colours as the switches asked; no highlight without colour.
// A form for programs is neither paged nor coloured.
void SettleOutput(SharedSwitches& shared);

// "/?" prints the usage, with the version lines for "/??".
int ReadUsageSwitch(const wchar_t* word, const wchar_t* usage);
// A word that begins with "/" and fits no switch.
int RejectSwitch(wchar_t* word);

template <typename Command>
int ReadWord(wchar_t* word, Command& command)
{
    if (int result = ReadUsageSwitch(word, Command::USAGE); result != NOT_MINE)
        return result;
    if (int result = ReadSharedSwitch(word, command.shared, Command::SORT, Command::FORMS); result != NOT_MINE)
        return result;
    if (word[0] != L'/')
        return command.ReadArgument(word);
    int result = command.ReadSwitch(word);
    return result == NOT_MINE ? RejectSwitch(word) : result;
}

// A command's own part, as Command:
//   static constexpr unsigned SPLIT;     the split options
//   static constexpr const wchar_t* USAGE, FORMS, SortSwitch SORT
//   SharedSwitches shared;
//   int ReadSwitch(wchar_t* word)        its own switches: NOT_MINE,
//                                        SWITCH_TAKEN or its result
//   int ReadArgument(wchar_t* word)      a word without "/": SWITCH_TAKEN or
//                                        its result
//   int CheckWords()                     after the last word: the same
//   int List()                           the listing, output settled and
//                                        the handler in place; its result
// Words are read in order, "/?" first, then the shared switches, then the
// command's own; the first test that fits decides.
template <typename Command>
int RunCommand(const wchar_t* args)
{
    if (!args)
        return 1;
    ResetOutputState();
    vornel::scope_exit removeHandler([] { RemoveCtrlHandler(); });
    // The words outlive the reading: a command may keep pointers into them.
    auto split = std::make_unique<SplitWords>();
    Command command;
    // An overflowing split has written its message: the line is rejected
    // rather than read as an empty one.
    if (SplitArguments(args, Command::SPLIT, *split) < 0)
        return 1;
    for (int i = 0; i < split->count; ++i) {
        int result = ReadWord(split->words[i], command);
        if (result != SWITCH_TAKEN)
            return result;
    }
    if (int result = command.CheckWords(); result != SWITCH_TAKEN)
        return result;
    SettleOutput(command.shared);
    InstallCtrlHandler();
    return command.List();
}
