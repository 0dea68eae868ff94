// The shell's own messages, at the bottom of the shell: every other file may
// include this one, and it includes none of theirs.
#pragma once

#include <windows.h>

#include <string>

namespace orsh {

// "orsh: " and the formatted message on standard error, with a line end.
void Error(const wchar_t* format, ...);

// The system's text for an error code and its number, as the shell's
// messages (and the plug-in's) quote them: "Disk full (error 112)", the
// text without its closing period; "error N" when the system has none.
std::wstring SystemReason(DWORD code);

}  // namespace orsh
