// What the stand-in host offers beyond the real host's interface: the shell's
// variable table, batch position and shell state, the sink that takes what
// the writers produce, and a capture of it so tests can assert exact text.
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

// Where the writers' text goes when no capture is on. The shell registers
// the one object that owns everything it writes to (its standard output and
// error, redirection files, their line buffers and write failures); it gets
// the handle the caller named (standard output for Printf, QPuts and CrLf)
// and the text, `length` characters. Without a sink (the plug-in's tests,
// the bench) the text goes straight to the handle. A null `sink` removes it.
typedef void(__cdecl* OrshSink)(void* context, HANDLE handle, const wchar_t* text, int length);
ORSH_API void __cdecl OrshSetSink(OrshSink sink, void* context);

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
