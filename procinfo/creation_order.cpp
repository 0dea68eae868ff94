// Creation order of two processes: a parent ID is only believed when the
// process holding it now is not newer than the child.
#include "procinfo/procinfo.h"

int IsProcessNewer(DWORD processIdA, DWORD processIdB)
{
    if (processIdA == 0 || processIdB == 0)
        return 0;
    ULONGLONG createdA, createdB;
    if (!ProcessCreationTime(processIdA, &createdA) || !ProcessCreationTime(processIdB, &createdB))
        return 0;
    return createdA > createdB ? 1 : 0;
}

int (*ParentIsYounger)(DWORD parentId, DWORD childId) = IsProcessNewer;
