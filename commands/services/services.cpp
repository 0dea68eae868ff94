// The SERVICES command: reads the switches into option flags, name
// patterns, a process-ID filter, a type mask, sort keys and highlight
// patterns, prints the help texts, rejects contradictory requests, settles
// paging, colours and Ctrl-C, and hands over to ListServices.
#include <cwchar>
#include <memory>

#include "commands/services/services.h"
#include "console/console.h"
#include "frame/args.h"
#include "frame/host.h"
#include "frame/owners.h"
#include "frame/plugin.h"
#include "frame/usage_texts.h"

namespace {

const wchar_t SortHelpText[] =
    L"SERVICES /O:  \x2014 sort services\n\n\tD\tby display name\n\tN\tby service name\n\tP\tby process ID\n\tS\tby "
    L"status\n\t-\treverses the following key\n";

struct ParseState {
    DWORD flags = 0;
    vornel::list_owner<ServiceNameNode> names;
    ServiceNameNode** tail = names.addr();
    DWORD pidFilter = 0;
    DWORD typeMask = SV_DEFAULT_TYPES;
    wchar_t sortKeys[SORT_KEYS_SIZE] = L"";
    std::unique_ptr<wchar_t[]> highlight = std::make_unique<wchar_t[]>(HIGHLIGHT_SIZE);
    bool noColour = false;
    unsigned int pageLines = 0;
};

bool Is(const wchar_t* word, const wchar_t* text) { return _wcsicmp(word, text) == 0; }
bool BeginsWith(const wchar_t* word, const wchar_t* text) { return _wcsnicmp(word, text, wcslen(text)) == 0; }

// The value of /I and /T: after ":" or "=", or directly after the letter.
wchar_t* SwitchValue(wchar_t* word)
{
    wchar_t* value = word + 2;
    return (*value == L':' || *value == L'=') ? value + 1 : value;
}

bool ReadNumber(const wchar_t* text, DWORD* value)
{
    unsigned int number = 0;
    if (ParseNumber(text, &number, nullptr) != 0)
        return false;
    *value = number;
    return true;
}

// False when the node cannot be had. The command cannot go on without the
// name: with it dropped, SERVICES NAME would list every service.
bool AppendName(const wchar_t* word, ParseState& state)
{
    auto* node = static_cast<ServiceNameNode*>(vornel::AllocateBlock(sizeof(ServiceNameNode), false));
    if (!node)
        return false;
    node->next = nullptr;
    node->name = word;
    *state.tail = node;
    state.tail = &node->next;
    return true;
}

// One word of the command line; SWITCH_TAKEN, or the command's result.
int ReadWord(wchar_t* word, ParseState& state)
{
    DWORD& flags = state.flags;
    if (wcsncmp(word, L"/?", 2) == 0) {
        ShowUsage(ServicesUsageText, word[2] == L'?');
        return 0;
    }
    if (Is(word, L"/D")) {
        state.noColour = true;
    } else if (Is(word, L"/F")) {
        flags |= SV_FILENAME;
    } else if (BeginsWith(word, L"/HL")) {
        return ReadHighlightSwitch(word, state.highlight.get());
    } else if (Is(word, L"/I")) {
        flags |= SV_PIDS;
    } else if (BeginsWith(word, L"/I")) {
        wchar_t* value = SwitchValue(word);
        if (!ReadNumber(value, &state.pidFilter)) {
            UpperCaseInPlace(value);
            return PrintError(L"Bad PID: \"%s\"\r\n", value);
        }
    } else if (Is(word, L"/L")) {
        flags |= SV_LINE_NUMBERS;
    } else if (Is(word, L"/O")) {
        wcscpy(state.sortKeys, L"N");
    } else if (BeginsWith(word, L"/O")) {
        return ReadSortSwitch(word, SortHelpText, L"DNPST", state.sortKeys);
    } else if (BeginsWith(word, L"/P")) {
        if (ParsePauseOption(word, &state.pageLines) != 0)
            return 1;
    } else if (Is(word, L"/R")) {
        flags |= SV_START;
    } else if (Is(word, L"/S")) {
        flags |= SV_STOP;
    } else if (BeginsWith(word, L"/T")) {
        const wchar_t* value = SwitchValue(word);
        if (!ReadNumber(value, &state.typeMask))
            return PrintError(L"Bad value: \"%s\"\r\n", value);
    } else if (Is(word, L"/V")) {
        flags |= SV_TYPES;
    } else if (Is(word, L"/X")) {
        flags |= SV_HEX;
    } else if (word[0] == L'/') {
        UpperCaseInPlace(word);
        return PrintError(L"Unknown option: \"%s\"\r\n", word);
    } else if (!AppendName(word, state)) {
        return 2;
    }
    return SWITCH_TAKEN;
}

int RunServices(const wchar_t* args)
{
    if (!args)
        return 1;
    ResetOutputState();
    ParseState state;
    // Every way out of the command removes the handler and clears CtrlCSeen;
    // the name list goes with `state`.
    vornel::scope_exit removeHandler([] { RemoveCtrlHandler(); });

    // An overflowing split has written its message: the line is rejected.
    if (SplitArguments(args, SA_SPLIT_SPACE | SA_SPLIT_SWITCH) < 0)
        return 1;
    for (int i = 0; i < ArgCount; ++i) {
        const int result = ReadWord(ArgWords[i], state);
        if (result != SWITCH_TAKEN)
            return result;
    }

    const DWORD request = state.flags & (SV_START | SV_STOP);
    if (request == (SV_START | SV_STOP))
        return PrintError(L"Can\x2019t combine /R and /S\r\n");
    if (request && !state.names.get())
        return PrintError(L"You must specify at least one name with /%c\r\n", request == SV_START ? L'R' : L'S');

    if (state.pageLines)
        SetPageLength(state.pageLines);
    InitOutputOptions(state.noColour);
    if (NormalColor == 0)
        state.highlight[0] = L'\0';
    InstallCtrlHandler();

    int listed;
    bool failed = false;
    try {
        listed = ListServices(state.names.get(), state.typeMask, state.flags, state.pidFilter,
                              state.sortKeys[0] ? state.sortKeys : nullptr,
                              state.highlight[0] ? state.highlight.get() : nullptr, &failed);
    } catch (...) {
        // The listing cannot go on. Release what the command holds before
        // the note, so the user sees the shell in its usual state, and end
        // the command here: an exception must never reach the host.
        state.names.reset();
        RemoveCtrlHandler();
        WriteConsoleText(L"   * ListServices() cleanup:\n");
        return 2;
    }
    // A start or stop that did not happen is a failure a batch file can test;
    // a plain listing that found nothing is not.
    if (listed == STOPPED)
        return 3;
    return failed ? 2 : 0;
}

}  // namespace

VORNEL_EXPORT int WINAPI services(const wchar_t* args)
{
    try {
        return RunServices(args);
    } catch (...) {
        // An allocation outside the listing failed; the owners and the
        // scope guard have released everything on the way.
        return 2;
    }
}
