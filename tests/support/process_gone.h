// Waiting until an ended process can no longer be opened. Wine keeps the
// object of a terminated process openable for about half a second, so a
// test about "a process that has exited" waits for that first.
#pragma once

#include <windows.h>

namespace vornel::test {

inline bool WaitUntilProcessGone(DWORD processId, DWORD timeoutMs = 10000)
{
    for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
        if (!process)
            return true;
        CloseHandle(process);
        Sleep(50);
    }
    return false;
}

}  // namespace vornel::test
