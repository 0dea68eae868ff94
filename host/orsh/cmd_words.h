// A batch file's command line for the Windows command interpreter (cmd /c),
// which would otherwise act on &, |, <, >, ^ and parentheses in the
// arguments, and expand %NAME% pairs, although this shell has none of these.
#pragma once

#include <string>

namespace orsh {

// `"path" arguments` escaped so that cmd passes on exactly the words typed:
// a caret before each of its operators outside quotes (inside quotes it
// takes them literally). A %NAME% that cmd would expand cannot be kept from
// it (carets are dropped before the expansion on some systems), so such a
// line is refused: false, with `problem` set.
bool CommandForCmd(const std::wstring& path, const std::wstring& arguments, std::wstring* line,
                   std::wstring* problem);

}  // namespace orsh
