// A process's command line, read from its own memory through its process
// environment block (64-bit layout).
#include <cstring>

#include "frame/foreign_text.h"
#include "frame/owners.h"
#include "frame/plugin.h"
#include "procinfo/procinfo.h"

namespace {

constexpr ULONG BASIC_INFORMATION_CLASS = 0;
constexpr ULONG BASIC_INFORMATION_SIZE = 48;
constexpr size_t PEB_ADDRESS_OFFSET = 8;
constexpr size_t PEB_READ_SIZE = 1608;
constexpr size_t PARAMETERS_OFFSET = 0x20;
constexpr size_t PARAMETERS_READ_SIZE = 128;
constexpr size_t COMMAND_LINE_LENGTH_OFFSET = 0x70;
constexpr size_t COMMAND_LINE_BUFFER_OFFSET = 0x78;

template <typename T>
T FieldAt(const BYTE* block, size_t offset)
{
    T value;
    memcpy(&value, block + offset, sizeof value);
    return value;
}

bool ReadForeign(HANDLE process, ULONG64 address, void* into, size_t bytes)
{
    SIZE_T read = 0;
    return ReadProcessMemory(process, reinterpret_cast<const void*>(address), into, bytes, &read) &&
           read == bytes;
}

}  // namespace

int GetProcessCommandLine(DWORD processId, wchar_t* commandLine)
{
    if (!commandLine || !NtQueryInformationProcessFn)
        return -1;
    vornel::unique_handle process = OpenProcessById(ProcessQueryAccess() | PROCESS_VM_READ, processId);
    if (!process)
        return 1;
    return ReadProcessCommandLine(process.get(), commandLine);
}

int ReadProcessCommandLine(HANDLE process, wchar_t* commandLine)
{
    if (!commandLine || !NtQueryInformationProcessFn)
        return -1;
    if (!process)
        return 1;

    BYTE basic[BASIC_INFORMATION_SIZE] = {};
    ULONG returned = 0;
    if (NtQueryInformationProcessFn(process, BASIC_INFORMATION_CLASS, basic, sizeof basic, &returned) != 0)
        return 2;
    auto pebAddress = FieldAt<ULONG64>(basic, PEB_ADDRESS_OFFSET);
    if (!pebAddress)
        return 2;

    auto peb = vornel::unique_block<BYTE>::allocate(PEB_READ_SIZE);
    if (!peb || !ReadForeign(process, pebAddress, peb.get(), PEB_READ_SIZE))
        return 2;
    auto parametersAddress = FieldAt<ULONG64>(peb.get(), PARAMETERS_OFFSET);
    if (!parametersAddress)
        return 2;

    BYTE parameters[PARAMETERS_READ_SIZE];
    if (!ReadForeign(process, parametersAddress, parameters, sizeof parameters))
        return 2;
    auto lengthInBytes = FieldAt<USHORT>(parameters, COMMAND_LINE_LENGTH_OFFSET);
    auto textAddress = FieldAt<ULONG64>(parameters, COMMAND_LINE_BUFFER_OFFSET);
    if (lengthInBytes == 0 || !textAddress)
        return 2;

    // A 16-bit byte count is at most 32767 characters: the text and its
    // terminator always fit the caller's 32768 characters.
    static_assert(0xFFFF / sizeof(wchar_t) < PATH_BUFFER_SIZE);
    size_t characters = lengthInBytes / sizeof(wchar_t);
    commandLine[0] = L'\0';
    if (!ReadForeign(process, textAddress, commandLine, characters * sizeof(wchar_t)))
        characters = 0;  // a partial read is no command line
    // The text is counted, not terminated: a zero inside it would hide the
    // rest from every listing. A command line is only ever shown, so it is
    // masked here, over its whole length.
    MaskControlCharacters(commandLine, characters);
    commandLine[characters] = L'\0';
    return 0;
}
