// What the stand-in host offers beyond the real host's interface: the shell's
// variable table, batch position and shell state, and a capture of what the
// writers produce so tests can assert exact text.
#pragma once

#include "frame/host.h"

// Shell variables (as `set NAME=VALUE`); a null or empty value removes it.
ORSH_API void __cdecl OrshSetVariable(const wchar_t* name, const wchar_t* value);

// State behind %_transient, %_pipe, %_batch, %_batchname, %_batchline.
ORSH_API void __cdecl OrshSetShellState(int transient, int pipe);
ORSH_API void __cdecl OrshSetBatch(const wchar_t* batchName, int line);
// The last command's result, behind %_? and %errorlevel (unless the user
// has set a variable of that name).
ORSH_API void __cdecl OrshSetLastResult(int result);

// Capture: while on, Printf/QPuts/CrLf text (stream 1) and Qprintf text to
// the standard-error handle (stream 2) is appended to buffers instead of
// being written. OrshCaptured returns the text so far (valid until the next
// call into the host).
ORSH_API void __cdecl OrshCapture(int on);
ORSH_API const wchar_t* __cdecl OrshCaptured(int stream);
ORSH_API void __cdecl OrshClearCapture(void);

// Text for a disk file goes out a whole line at a time; this writes what
// waits for its line end. The shell calls it when a command ends and before
// a program starts or a file is closed.
ORSH_API void __cdecl OrshFlushOutput(void);
// The error of the first write that failed on `handle` since the last call
// (0 when none); writes to it after a failure are dropped.
ORSH_API DWORD __cdecl OrshTakeWriteError(HANDLE handle);

// The last attribute reported through SetColors (-1 when none since the
// last clear).
ORSH_API int __cdecl OrshLastColors(void);

// The shell resolves what the host module cannot: variable functions
// (@name[args], `args` already expanded) and internal variables such as
// _clver (`args` null). Return 0 with the text in `result` (8192
// characters), 1 when the name is unknown, -1 when the call failed (its
// message is already written).
typedef int(__cdecl* OrshResolver)(const wchar_t* name, const wchar_t* args, wchar_t* result);
ORSH_API void __cdecl OrshSetResolver(OrshResolver resolver);

// Expands a command line in place within `capacity` characters; returns 0,
// or -1 when a function call inside it failed.
ORSH_API int __cdecl OrshExpand(wchar_t* buffer, int capacity);
