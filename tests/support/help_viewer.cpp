#include "tests/support/help_viewer.h"

#include <filesystem>

namespace vornel::test {

namespace {

struct UnicodeText {
    USHORT length;
    USHORT maximumLength;
    PWSTR buffer;
};

struct BasicInformation {
    LONG exitStatus;
    PVOID pebBaseAddress;
    ULONG_PTR affinityMask;
    LONG basePriority;
    ULONG_PTR processId;
    ULONG_PTR parentProcessId;
};

using QueryProcessFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

// Offsets in the 64-bit process environment block and its parameters.
constexpr size_t PebProcessParameters = 0x20;
constexpr size_t ParametersCommandLine = 0x70;

template <typename T>
bool ReadRemote(HANDLE process, const void* address, T* value)
{
    SIZE_T got = 0;
    return ReadProcessMemory(process, address, value, sizeof(T), &got) && got == sizeof(T);
}

std::wstring TryReadCommandLine(HANDLE process)
{
    static auto query = reinterpret_cast<QueryProcessFn>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess"));
    BasicInformation basic = {};
    if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0 || !basic.pebBaseAddress)
        return {};
    const char* parameters = nullptr;
    UnicodeText text = {};
    if (!ReadRemote(process, static_cast<const char*>(basic.pebBaseAddress) + PebProcessParameters, &parameters) ||
        !parameters || !ReadRemote(process, parameters + ParametersCommandLine, &text) || !text.buffer ||
        text.length == 0)
        return {};
    std::wstring line(text.length / sizeof(wchar_t), L'\0');
    SIZE_T got = 0;
    // A process that has only just started may show its parameters before
    // their text: a line that begins with a zero character is not there yet.
    if (!ReadProcessMemory(process, text.buffer, line.data(), text.length, &got) || got != text.length ||
        line[0] == L'\0')
        return {};
    return line;
}

}  // namespace

ScratchDirectory::ScratchDirectory()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t name[MAX_PATH];
    for (unsigned n = GetTickCount();; ++n) {
        wsprintfW(name, L"%svornel-help-%u-%u", temp, GetCurrentProcessId(), n);
        if (CreateDirectoryW(name, nullptr))
            break;
    }
    wchar_t longName[MAX_PATH];
    DWORD length = GetLongPathNameW(name, longName, MAX_PATH);
    path_ = length > 0 && length < MAX_PATH ? longName : name;
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bool ScratchDirectory::Copy(const std::wstring& source, const std::wstring& into) const
{
    std::wstring directory = into.empty() ? path_ : path_ + L"\\" + into;
    std::wstring target = directory + source.substr(source.find_last_of(L'\\'));
    return CopyFileW(source.c_str(), target.c_str(), FALSE) != 0;
}

bool ScratchDirectory::MakeDirectory(const std::wstring& name) const
{
    return CreateDirectoryW((path_ + L"\\" + name).c_str(), nullptr) != 0;
}

std::wstring ViewerPath()
{
    wchar_t path[MAX_PATH];
    DWORD n = SearchPathW(nullptr, L"hh.exe", nullptr, MAX_PATH, path, nullptr);
    return n > 0 && n < MAX_PATH ? path : L"";
}

std::wstring ReadCommandLine(HANDLE process, DWORD timeoutMs)
{
    // A process that has just been created may not have its parameters yet.
    for (DWORD start = GetTickCount();;) {
        std::wstring line = TryReadCommandLine(process);
        if (!line.empty() || GetTickCount() - start >= timeoutMs)
            return line;
        Sleep(50);
    }
}

void EndProcess(HANDLE process)
{
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
}

}  // namespace vornel::test
