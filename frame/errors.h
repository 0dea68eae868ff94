// How the plug-in speaks to the user outside its listings: error messages
// with its prefix, the system's text for an error code, and the usage and
// version printer.
#pragma once

#include <windows.h>

// Every error message of the plug-in goes through here: the error prefix
// (the plug-in's name, and in a batch file its name and line), then the
// formatted message, to standard error. Returns 1, the result of a rejected
// command line.
int PrintError(const wchar_t* format, ...);

// The system's text for an error code, trailing white space removed, into a
// MESSAGE_SIZE buffer ("Unknown error" for 0xFFFFFFFF, "Error N" for a code
// the system has no text for).
inline constexpr int MESSAGE_SIZE = 1024;
void FormatSystemMessage(DWORD code, wchar_t* message);

// The usage text, and with `withVersion` the two version lines after it.
int ShowUsage(const wchar_t* text, int withVersion);
