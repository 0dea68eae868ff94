// A batch file's command line for the Windows command interpreter (cmd /c),
// which would otherwise act on &, |, <, >, ^ and parentheses in the
// arguments, split them at ; , and =, and expand %NAME% pairs, although this
// shell has none of these.
#pragma once

#include <string>

namespace orsh {

// The longest command the interpreter takes after /c (its outer quotes
// dropped), measured under Wine: 8,191 characters draw a "possibly
// truncated" warning, and past 8,192 it runs nothing or crashes.
constexpr size_t MaxCmdLength = 8190;

// `"path" arguments` escaped so that cmd passes on the words typed: a caret
// before each of its operators outside quotes (inside quotes it takes them
// literally), and in quotes each stretch outside quotes that holds a ; , or
// =, which would split the word (`x;y` reaches the batch file as "x;y").
// A %NAME% that cmd would expand cannot be kept from it (carets are dropped
// before the expansion on some systems), nor can a word holding %0-%9, %*
// or %~, which it expands again inside the batch file, so such a line is
// refused, as is one longer than cmd takes once escaped: false, with
// `problem` set.
bool CommandForCmd(const std::wstring& path, const std::wstring& arguments, std::wstring* line,
                   std::wstring* problem);

}  // namespace orsh
