// The variable functions @ELEVATED, @PIDEXENAME and @PIDSVCNAMES, and the
// small text routines that prepare their argument.
#pragma once

#include <windows.h>

#include "frame/plugin.h"

// Removes white space at both ends, in place. 0, or -1 without a text.
int TrimBlanks(wchar_t* text);
// Removes one enclosing pair of double quotes in place: 2 when removed,
// 0 when not, -1 without a text.
int StripQuotes(wchar_t* text);

// Each reads a process ID from the host's 8192-character buffer and writes
// its answer there: 0 with the answer, -1 after an error message, 1 when the
// buffer is missing.
VORNEL_EXPORT int WINAPI f_elevated(wchar_t* buffer);
VORNEL_EXPORT int WINAPI f_pidexename(wchar_t* buffer);
VORNEL_EXPORT int WINAPI f_pidsvcnames(wchar_t* buffer);
