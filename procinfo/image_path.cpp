// Image paths of processes, rewritten from the kernel's device form into the
// drive-letter or UNC form a user knows.
#include <windows.h>
// after windows.h, which it needs
#include <psapi.h>

#include <cwchar>
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

#include "frame/owners.h"
#include "frame/plugin.h"
#include "procinfo/cache_scope.h"
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

struct DriveTarget {
    wchar_t device[3];  // "C:"
    std::wstring target;
};

// The drive letters in the order the system lists them, each with its
// device target; drives whose target cannot be read are left out.
struct DriveMap {
    std::vector<DriveTarget> drives;

    static DriveMap Read()
    {
        DriveMap map;
        auto buffer =
            vornel::unique_block<wchar_t>::allocate_zeroed((DRIVE_LIST_SIZE + DEVICE_TARGET_SIZE) * sizeof(wchar_t));
        if (!buffer)
            return map;
        wchar_t* target = buffer.get() + DRIVE_LIST_SIZE;
        DWORD listed = GetLogicalDriveStringsW(DRIVE_LIST_SIZE - 1, buffer.get());
        if (listed == 0 || listed >= DRIVE_LIST_SIZE)
            return map;
        for (const wchar_t* root = buffer.get(); *root; root += wcslen(root) + 1) {
            if (!IsDriveRoot(root))
                continue;
            DriveTarget drive{{root[0], L':', L'\0'}, {}};
            target[0] = L'\0';
            if (!QueryDosDeviceW(drive.device, target, DEVICE_TARGET_SIZE))
                continue;
            target[DEVICE_TARGET_SIZE - 1] = L'\0';
            drive.target = target;
            map.drives.push_back(std::move(drive));
        }
        return map;
    }
};

}  // namespace

// A scope's map, read at its first use.
struct DriveMapCache {
    std::optional<DriveMap> map;
    const DriveMap& Get()
    {
        if (!map)
            map = DriveMap::Read();
        return *map;
    }
};
template class CacheScope<DriveMapCache>;
template CacheScope<DriveMapCache>::CacheScope();

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

    DriveMapCache* cache = DriveMapScope::Active();
    DriveMap own;
    if (!cache)
        own = DriveMap::Read();
    const DriveMap& map = cache ? cache->Get() : own;
    for (const DriveTarget& drive : map.drives) {
        size_t targetLength = drive.target.size();
        const wchar_t* target = drive.target.c_str();
        // Shorter targets than "C:" would lengthen the path; none exist.
        if (targetLength < 2 || targetLength > length || _wcsnicmp(path, target, targetLength) != 0)
            continue;
        // The target must end at a path separator: \Device\HarddiskVolume1 is
        // not the start of \Device\HarddiskVolume12\x.exe.
        wchar_t next = path[targetLength];
        if (next != L'\\' && next != L'\0' && target[targetLength - 1] != L'\\')
            continue;
        ReplaceHead(path, length, targetLength, drive.device, 2);
        return 0;
    }
    return 0;
}

int GetProcessImagePath(DWORD processId, wchar_t* path)
{
    if (!path)
        return -1;
    path[0] = L'\0';
    vornel::unique_handle process = OpenProcessById(ProcessQueryAccess(), processId);
    return ReadProcessImagePath(process.get(), path);
}

int ReadProcessImagePath(HANDLE process, wchar_t* path)
{
    if (!path)
        return -1;
    path[0] = L'\0';
    if (process) {
        if (!GetProcessImageFileNameW(process, path, PATH_BUFFER_SIZE))
            path[0] = L'\0';
        path[PATH_BUFFER_SIZE - 1] = L'\0';
    }
    if (path[0] == L'\0') {
        DWORD error = GetLastError();
        // A failure is never reported as success, whatever the system left.
        return error ? static_cast<int>(error) : ERROR_GEN_FAILURE;
    }
    DevicePathToDosPath(path);
    return 0;
}
