// Image paths of processes, rewritten from the kernel's device form into the
// drive-letter or UNC form a user knows.
#include <windows.h>
// after windows.h, which it needs
#include <psapi.h>

#include <cwchar>
#include <cwctype>

#include "frame/owners.h"
#include "frame/plugin.h"
#include "procinfo/procinfo.h"

namespace {

constexpr wchar_t LANMAN_PREFIX[] = L"\\Device\\LanmanRedirector\\";
constexpr wchar_t MUP_PREFIX[] = L"\\Device\\Mup\\";
constexpr size_t LANMAN_LENGTH = 25;
constexpr size_t MUP_LENGTH = 12;

constexpr DWORD DRIVE_LIST_SIZE = 1024;
constexpr DWORD DEVICE_TARGET_SIZE = 8192;

// Replaces the first `cut` characters of `path` with `head` (no longer than
// `cut`), moving the tail down; the path only ever gets shorter.
void ReplaceHead(wchar_t* path, size_t pathLength, size_t cut, const wchar_t* head, size_t headLength)
{
    wmemmove(path + headLength, path + cut, pathLength - cut + 1);
    wmemcpy(path, head, headLength);
}

// A drive root as the system lists it: one letter or digit, then ":\".
bool IsDriveRoot(const wchar_t* root)
{
    return iswalnum(root[0]) && root[1] == L':' && root[2] == L'\\' && root[3] == L'\0';
}

}  // namespace

int DevicePathToDosPath(wchar_t* path)
{
    if (!path)
        return -1;
    size_t length = wcsnlen(path, PATH_BUFFER_SIZE - 1);
    path[length] = L'\0';  // a no-op for every proper path
    if (length == 0)
        return 0;

    // Network paths keep the prefix's final backslash and gain one more.
    if (length >= LANMAN_LENGTH && _wcsnicmp(path, LANMAN_PREFIX, LANMAN_LENGTH) == 0) {
        ReplaceHead(path, length, LANMAN_LENGTH - 1, L"\\", 1);
        return 0;
    }
    if (length >= MUP_LENGTH && _wcsnicmp(path, MUP_PREFIX, MUP_LENGTH) == 0) {
        ReplaceHead(path, length, MUP_LENGTH - 1, L"\\", 1);
        return 0;
    }

    // The drive list, then one drive's device target.
    auto drives =
        vornel::unique_block<wchar_t>::allocate_zeroed((DRIVE_LIST_SIZE + DEVICE_TARGET_SIZE) * sizeof(wchar_t));
    if (!drives)
        return 0;
    wchar_t* target = drives.get() + DRIVE_LIST_SIZE;
    DWORD listed = GetLogicalDriveStringsW(DRIVE_LIST_SIZE - 1, drives.get());
    if (listed == 0 || listed >= DRIVE_LIST_SIZE)
        return 0;

    for (const wchar_t* root = drives.get(); *root; root += wcslen(root) + 1) {
        if (!IsDriveRoot(root))
            continue;
        const wchar_t device[3] = {root[0], L':', L'\0'};
        target[0] = L'\0';
        if (!QueryDosDeviceW(device, target, DEVICE_TARGET_SIZE))
            continue;
        target[DEVICE_TARGET_SIZE - 1] = L'\0';
        size_t targetLength = wcslen(target);
        // Shorter targets than "C:" would lengthen the path; none exist.
        if (targetLength < 2 || targetLength > length || _wcsnicmp(path, target, targetLength) != 0)
            continue;
        // The target must end at a path separator: \Device\HarddiskVolume1 is
        // not the start of \Device\HarddiskVolume12\x.exe.
        wchar_t next = path[targetLength];
        if (next != L'\\' && next != L'\0' && target[targetLength - 1] != L'\\')
            continue;
        ReplaceHead(path, length, targetLength, device, 2);
        return 0;
    }
    return 0;
}

int GetProcessImagePath(DWORD processId, wchar_t* path)
{
    if (!path)
        return -1;
    path[0] = L'\0';
    vornel::unique_handle process(OpenProcess(ProcessQueryAccess(), FALSE, processId));
    if (process) {
        if (!GetProcessImageFileNameW(process.get(), path, PATH_BUFFER_SIZE))
            path[0] = L'\0';
        path[PATH_BUFFER_SIZE - 1] = L'\0';
        process.reset();
    }
    if (path[0] == L'\0') {
        DWORD error = GetLastError();
        // A failure is never reported as success, whatever the system left.
        return error ? static_cast<int>(error) : ERROR_GEN_FAILURE;
    }
    DevicePathToDosPath(path);
    return 0;
}
