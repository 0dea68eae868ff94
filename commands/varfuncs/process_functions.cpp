// @ELEVATED, @PIDEXENAME and @PIDSVCNAMES: read a process ID, ask the
// process-information routines, and answer in the host's buffer.
#include <cwchar>

#include "commands/varfuncs/varfuncs.h"
#include "frame/args.h"
#include "frame/errors.h"
#include "frame/owners.h"
#include "frame/plugin.h"
#include "procinfo/procinfo.h"

namespace {

constexpr size_t HOST_BUFFER_SIZE = 8192;

enum class EmptyArgument { CurrentProcess, Missing };
enum class Quotes { Kept, Stripped };

// Reads the process ID from the prepared argument; false after the error
// message has been written.
bool ReadProcessId(wchar_t* buffer, EmptyArgument empty, Quotes quotes, DWORD* processId)
{
    TrimBlanks(buffer);
    if (quotes == Quotes::Stripped)
        StripQuotes(buffer);
    if (buffer[0] == L'\0') {
        if (empty == EmptyArgument::CurrentProcess) {
            *processId = GetCurrentProcessId();
            return true;
        }
        PrintError(L"Missing PID\r\n");
        return false;
    }
    if (!ParseProcessId(buffer, processId, DotWord::CurrentProcess)) {
        UpperCaseInPlace(buffer);
        PrintError(L"Bad PID: \"%s\"\r\n", buffer);
        return false;
    }
    return true;
}

int Elevated(wchar_t* buffer)
{
    DWORD processId;
    if (!ReadProcessId(buffer, EmptyArgument::CurrentProcess, Quotes::Kept, &processId))
        return -1;
    wsprintfW(buffer, L"%d", IsProcessElevated(processId));
    return 0;
}

int PidExeName(wchar_t* buffer)
{
    DWORD processId;
    if (!ReadProcessId(buffer, EmptyArgument::Missing, Quotes::Stripped, &processId))
        return -1;
    buffer[0] = L'\0';
    if (processId == 0)
        return 0;
    // Paths may be up to 32767 characters, the host's buffer holds 8192: a
    // path that does not fit is answered as unreadable rather than cut into
    // the name of some other file.
    auto path = vornel::unique_block<wchar_t>::allocate(PATH_BUFFER_SIZE * sizeof(wchar_t));
    if (!path)
        return 0;
    GetProcessImagePath(processId, path.get());
    size_t length = wcsnlen(path.get(), PATH_BUFFER_SIZE);
    if (length < HOST_BUFFER_SIZE)
        wmemcpy(buffer, path.get(), length + 1);
    return 0;
}

int PidSvcNames(wchar_t* buffer)
{
    DWORD processId;
    if (!ReadProcessId(buffer, EmptyArgument::Missing, Quotes::Kept, &processId))
        return -1;
    buffer[0] = L'\0';
    if (processId == 0)
        return 0;
    vornel::list_owner<ServiceNamesInfo> services;
    CollectServiceNames(services.addr());
    if (const ServiceNamesInfo* record = FindServiceNames(services.get(), processId))
        lstrcpynW(buffer, record->names, HOST_BUFFER_SIZE);
    return 0;
}

template <typename Function>
int Answer(Function function, wchar_t* buffer)
{
    if (!buffer)
        return 1;
    return Guarded(-1, [&] { return function(buffer); });
}

}  // namespace

VORNEL_EXPORT int WINAPI f_elevated(wchar_t* buffer)
{
    return Answer(Elevated, buffer);
}

VORNEL_EXPORT int WINAPI f_pidexename(wchar_t* buffer)
{
    return Answer(PidExeName, buffer);
}

VORNEL_EXPORT int WINAPI f_pidsvcnames(wchar_t* buffer)
{
    return Answer(PidSvcNames, buffer);
}
