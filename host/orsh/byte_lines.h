// Command lines from a file or pipe: UTF-8, one a line, a byte-order mark at
// the start skipped. Each byte is looked at once, however long the line.
#pragma once

#include <windows.h>

#include <string>

namespace orsh {

class ByteLines {
public:
    explicit ByteLines(HANDLE input) : input_(input) {}

    // The next line without its line end; false when the input has ended.
    bool Next(std::wstring* line);

private:
    HANDLE input_;
    std::string buffer_;
    size_t start_ = 0;    // where the next line begins
    size_t scanned_ = 0;  // buffer_[start_, scanned_) holds no line end
    bool first_ = true;
};

}  // namespace orsh
