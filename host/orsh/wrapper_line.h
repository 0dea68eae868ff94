// The command line as the user typed it to ./orsh. Wine builds a Windows
// command line from the wrapper's arguments, quoting each one that holds a
// blank and putting a backslash before its quotes, so the raw line would not
// be what was typed (echo 'a b' would print "a b" with its quotes). The
// wrapper therefore also passes its arguments, joined with single blanks, in
// an environment variable; a shell started any other way reads its raw line.
#pragma once

#include <string>

namespace orsh {

// Takes the wrapper's line out of the environment (so the programs the
// shell starts never see it): true with the line when the wrapper set one.
bool TakeWrapperLine(std::wstring* line);

}  // namespace orsh
