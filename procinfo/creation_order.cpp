// Creation order of two processes: a parent ID is only believed when the
// process holding it now is not newer than the child.
#include "frame/owners.h"
#include "frame/plugin.h"
#include "procinfo/procinfo.h"

namespace {

bool ReadCreationTime(HANDLE process, ULONGLONG* created)
{
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(process, &creation, &exit, &kernel, &user))
        return false;
    *created = (static_cast<ULONGLONG>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
    return true;
}

}  // namespace

int IsProcessNewer(DWORD processIdA, DWORD processIdB)
{
    if (processIdA == 0 || processIdB == 0)
        return 0;
    vornel::unique_handle a(OpenProcess(ProcessQueryAccess(), FALSE, processIdA));
    vornel::unique_handle b(OpenProcess(ProcessQueryAccess(), FALSE, processIdB));
    if (!a || !b)
        return 0;
    ULONGLONG createdA, createdB;
    if (!ReadCreationTime(a.get(), &createdA) || !ReadCreationTime(b.get(), &createdB))
        return 0;
    return createdA > createdB ? 1 : 0;
}

int (*ParentIsYounger)(DWORD parentId, DWORD childId) = IsProcessNewer;
