// The host shell's module OrshHost.dll: the functions the plug-in imports
// from it by name. Strings are UTF-16; return values are ignored unless a
// caller says otherwise.
#pragma once

#include <windows.h>

#ifdef ORSHHOST_BUILD
#define ORSH_API extern "C" __declspec(dllexport)
#else
#define ORSH_API extern "C" __declspec(dllimport)
#endif

// printf-style writers; formats follow the Microsoft conventions (%s in a
// wide format is a wide string, %I64u is 64-bit).
ORSH_API int __cdecl Printf(const wchar_t* format, ...);
ORSH_API int __cdecl Qprintf(HANDLE handle, const wchar_t* format, ...);
ORSH_API int __cdecl QPuts(const wchar_t* text);
ORSH_API int __cdecl CrLf(void);

// Replaces variable references in place; `buffer` must be writable and at
// least as large as the caller says its buffers are (1024, 8192 or 32768).
ORSH_API int __cdecl ExpandVariables(wchar_t* buffer, int flag);

// 0 when `text` matches the wildcard `pattern` (*, ?, [set]), case-insensitive.
ORSH_API int __cdecl WildcardComparison(const wchar_t* pattern, const wchar_t* text, int flag1, int flag2);

// Full true name of `path` into `result` (32768 characters); empty on failure.
ORSH_API int __cdecl QueryTrueName(const wchar_t* path, wchar_t* result);

// `normal` receives the shell's normal console attribute.
ORSH_API void __cdecl GetAttribute(unsigned int* normal, unsigned int* inverse);

// Tells the host which attribute is now set on the console.
ORSH_API void __cdecl SetColors(unsigned int attribute);

// Colour text to colour numbers. Callers preset both to -1. A foreground
// below 0 means no valid colour; a background of 64 or below 0 means none.
ORSH_API void __cdecl ParseColors(const wchar_t* text, int* foreground, int* background);
