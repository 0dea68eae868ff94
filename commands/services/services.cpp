// The SERVICES command: reads the switches into option flags, name
// patterns, a process-ID filter, a type mask, sort keys and highlight
// patterns, prints the help texts, rejects contradictory requests, and
// hands over to ListServices.
#include <cwchar>

#include "commands/common/form_tree.h"
#include "commands/common/front_end.h"
#include "commands/services/services.h"
#include "frame/errors.h"
#include "frame/owners.h"
#include "frame/plugin.h"
#include "frame/usage_texts.h"

namespace {

const wchar_t SortHelpText[] =
    L"SERVICES /O:  \x2014 sort services\n\n\tD\tby display name\n\tN\tby service name\n\tP\tby process ID\n\tS\tby "
    L"status\n\t-\treverses the following key\n";

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

// The switches that only set an option flag.
const struct {
    const wchar_t* word;
    DWORD flag;
} FlagSwitches[] = {
    {L"/F", SV_FILENAME}, {L"/I", SV_PIDS}, {L"/L", SV_LINE_NUMBERS}, {L"/R", SV_START},
    {L"/S", SV_STOP},     {L"/V", SV_TYPES}, {L"/X", SV_HEX},
};

struct Services {
    static constexpr unsigned SPLIT = SA_SPLIT_SPACE | SA_SPLIT_SWITCH;  // names keep their case
    static constexpr const wchar_t* USAGE = ServicesUsageText;
    static constexpr const wchar_t* FORMS = ServicesFormText;
    static constexpr SortSwitch SORT{L"N", L"DNPST", SortHelpText};

    SharedSwitches shared;
    DWORD flags = 0;
    vornel::list_owner<ServiceNameNode> names;
    ServiceNameNode** tail = names.addr();
    DWORD pidFilter = 0;
    DWORD typeMask = SV_DEFAULT_TYPES;

    // Exact switches before those read by their prefix: /I before /I:PID.
    int ReadSwitch(wchar_t* word)
    {
        if (Is(word, L"/D")) {
            shared.noColour = true;
            return SWITCH_TAKEN;
        }
        for (const auto& flag : FlagSwitches) {
            if (Is(word, flag.word)) {
                flags |= flag.flag;
                return SWITCH_TAKEN;
            }
        }
        if (BeginsWith(word, L"/I")) {
            wchar_t* value = SwitchValue(word);
            if (ReadNumber(value, &pidFilter))
                return SWITCH_TAKEN;
            UpperCaseInPlace(value);
            return PrintError(L"Bad PID: \"%s\"\r\n", value);
        }
        if (BeginsWith(word, L"/T")) {
            const wchar_t* value = SwitchValue(word);
            return ReadNumber(value, &typeMask) ? SWITCH_TAKEN : PrintError(L"Bad value: \"%s\"\r\n", value);
        }
        return NOT_MINE;
    }

    // A name pattern; the text stays in the split words. The command cannot
    // go on without its node: with the name dropped, SERVICES NAME would
    // list every service.
    int ReadArgument(const wchar_t* word)
    {
        auto* node = static_cast<ServiceNameNode*>(vornel::AllocateBlock(sizeof(ServiceNameNode), false));
        if (!node)
            return 2;
        node->next = nullptr;
        node->name = word;
        *tail = node;
        tail = &node->next;
        return SWITCH_TAKEN;
    }

    int CheckWords()
    {
        const DWORD request = flags & (SV_START | SV_STOP);
        if (request == (SV_START | SV_STOP))
            return PrintError(L"Can\x2019t combine /R and /S\r\n");
        if (request && !names.get())
            return PrintError(L"You must specify at least one name with /%c\r\n", request == SV_START ? L'R' : L'S');
        return SWITCH_TAKEN;
    }

    int List()
    {
        int listed;
        bool failed = false;
        FormWriter writer(shared.form, shared.header);
        const bool table = shared.form == OutputForm::Table;
        if (!table) {
            if (int begun = BeginServiceForm(writer, flags))
                return FormResult(begun);
        }
        try {
            listed = ListServices(names.get(), typeMask, flags, pidFilter, shared.SortKeys(), shared.Highlight(),
                                  &failed, table ? nullptr : &writer);
        } catch (...) {
            // The listing cannot go on. Release what the command holds before
            // the note, so the user sees the shell in its usual state; the
            // export says why the command ended.
            names.reset();
            RemoveCtrlHandler();
            WriteConsoleText(L"   * ListServices() cleanup:\n");
            throw;
        }
        // A start or stop that did not happen is a failure a batch file can
        // test; a plain listing that found nothing is not.
        if (listed == STOPPED)
            return 3;
        if (!table) {
            if (int ended = FormResult(writer.Finish()))
                return ended;
        }
        return failed ? 2 : 0;
    }
};

}  // namespace

VORNEL_EXPORT int WINAPI services(const wchar_t* args)
{
    return Guarded(2, [args] { return RunCommand<Services>(args); });
}
