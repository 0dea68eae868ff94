// Command lines from a file or pipe (a script, or input that is no console),
// read as they come: UTF-8, or UTF-16 after its byte-order mark; a UTF-8
// mark is skipped. A line ends at a line feed, and the carriage returns in
// it are dropped. Each byte is looked at a few times at most, however long
// the line, and a line longer than the reader keeps is counted, not held:
// memory stays the same whatever the input.
#pragma once

#include <windows.h>

#include <string>

namespace orsh {

struct Line {
    std::wstring text;  // only its first characters when it is longer than the reader keeps
    size_t length = 0;  // its whole length in characters (UTF-16 units), carriage returns left out
    size_t number = 0;  // its place in its input, from 1; 0 for a line typed or given to the shell
};

class LineReader {
public:
    // Keeps `keep` characters of a line and one more, so that a longer line
    // is known for one.
    LineReader(HANDLE input, size_t keep);

    // The next line; false when the input has ended.
    bool Next(Line* line);

    // 0 when the input ended as inputs do (a pipe's writer gone included),
    // else the error of the read that ended it.
    DWORD Error() const { return error_; }

    // The input has no byte-order mark and a NUL in every other byte of
    // what came first, as UTF-16 text without its mark has.
    bool LooksLikeUnmarkedUtf16() const { return unmarkedUtf16_; }

private:
    bool Fill();
    void TakeByteOrderMark();
    size_t LineEnd();
    bool IsCarriageReturn(size_t at) const;
    size_t Characters(size_t from, size_t to) const;
    size_t KeptEnd(size_t to) const;
    void DropPastKept(size_t from);

    HANDLE input_;
    size_t keep_;
    std::string buffer_;
    size_t start_ = 0;    // where the next line begins
    size_t scanned_ = 0;  // buffer_[start_, scanned_) holds no line end
    bool first_ = true;   // the byte-order mark is still to be looked for
    bool wide_ = false;   // UTF-16
    bool unmarkedUtf16_ = false;
    // Once the line being read has more characters than are kept: its bytes
    // kept from start_ on, and the characters counted past them.
    bool over_ = false;
    size_t keptBytes_ = 0;
    size_t dropped_ = 0;
    size_t number_ = 0;
    DWORD error_ = 0;
};

}  // namespace orsh
