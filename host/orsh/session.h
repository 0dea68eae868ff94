// The shell from its start to its end:
//   orsh                interactive (prompt when the input is a console)
//   orsh COMMAND LINE   runs that line as a transient shell, exits with its result
//   orsh -f FILE        runs a script line by line (%_batchname, %_batchline)
#pragma once

namespace orsh {

// Runs the shell with the program's arguments; returns its exit code.
int Main(int argc, wchar_t** argv);

}  // namespace orsh
