// Command lines from a file or pipe (a script, or input that is no console),
// read as they come: UTF-8, or UTF-16 after its byte-order mark; a UTF-8
// mark is skipped. A line ends at a line feed, and the carriage returns in
// it are dropped. Each byte is looked at once, however long the line.
#pragma once

#include <windows.h>

#include <string>

namespace orsh {

class LineReader {
public:
    explicit LineReader(HANDLE input) : input_(input) {}

    // The next line; false when the input has ended.
    bool Next(std::wstring* line);

    // 0 when the input ended as inputs do (a pipe's writer gone included),
    // else the error of the read that ended it.
    DWORD Error() const { return error_; }

private:
    bool Fill();
    void TakeByteOrderMark();
    size_t LineEnd();

    HANDLE input_;
    std::string buffer_;
    size_t start_ = 0;    // where the next line begins
    size_t scanned_ = 0;  // buffer_[start_, scanned_) holds no line end
    bool first_ = true;   // the byte-order mark is still to be looked for
    bool wide_ = false;   // UTF-16
    DWORD error_ = 0;
};

}  // namespace orsh
