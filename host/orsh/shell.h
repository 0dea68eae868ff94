// The stand-in shell: runs command lines with the plug-in loaded.
#pragma once

#include <windows.h>

#include <string>

#include "host/orsh/line_reader.h"
#include "host/orsh/output.h"

namespace orsh {

// The longest command line the shell takes, before and after expansion.
constexpr size_t MaxLineLength = 8191;

// Expands and runs one command line, writing through `output`; returns its
// result. A line that runs nothing (blank, a remark) returns the last result
// unchanged. `exitRequested` is set by the `exit` built-in.
int RunLine(Output& output, const Line& line, bool* exitRequested);

}  // namespace orsh
