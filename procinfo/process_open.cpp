// Opening a process by the ID a user typed. OpenProcess ignores the two low
// bits of an ID (Windows hands out IDs in steps of 4), so 1233, 1234 and 1235
// all open process 1232: without a check, an ID without a process answers
// for its neighbour.
#include "procinfo/procinfo.h"

vornel::unique_handle OpenProcessById(DWORD access, DWORD pid)
{
    vornel::unique_handle process(OpenProcess(access, FALSE, pid));
    // An ID whose low bits are clear opens that very process: only the
    // others need their handle's ID checked.
    if (process && (pid & 3) != 0 && GetProcessId(process.get()) != pid) {
        process.reset();
        SetLastError(ERROR_INVALID_PARAMETER);  // what an ID without a process gives
    } else if (!process && (pid & 3) != 0 && GetLastError() == ERROR_ACCESS_DENIED) {
        // The refusal came from the process the low bits led to: no process
        // can hold this ID, since opening it would reach that neighbour.
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    return process;
}
