#include "host/orsh/line_reader.h"

#include <cstring>

namespace orsh {

// Reads what the input has; false at its end.
bool LineReader::Fill()
{
    // Dropping the lines already taken only when they are most of the
    // buffer keeps the copying in proportion to the input.
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(0, start_);
        scanned_ -= start_;
        start_ = 0;
    }
    char chunk[65536];
    DWORD got = 0;
    if (!ReadFile(input_, chunk, sizeof chunk, &got, nullptr)) {
        if (GetLastError() != ERROR_BROKEN_PIPE)
            error_ = GetLastError();
        return false;
    }
    buffer_.append(chunk, got);
    return got > 0;
}

// Reads on only while the input so far could still become a mark: a pipe's
// writer may wait for an answer to a line shorter than one.
void LineReader::TakeByteOrderMark()
{
    static const std::string utf8 = "\xEF\xBB\xBF", utf16 = "\xFF\xFE";
    auto mayBecome = [this](const std::string& mark) {
        return buffer_.size() < mark.size() && mark.compare(0, buffer_.size(), buffer_) == 0;
    };
    while ((mayBecome(utf8) || mayBecome(utf16)) && Fill()) {
    }
    wide_ = buffer_.compare(0, utf16.size(), utf16) == 0;
    if (wide_)
        start_ = scanned_ = utf16.size();
    else if (buffer_.compare(0, utf8.size(), utf8) == 0)
        start_ = scanned_ = utf8.size();
    first_ = false;
}

// Where the line feed that ends the next line is, or npos while the buffer
// holds none. UTF-16 units lie at even offsets from the mark on.
size_t LineReader::LineEnd()
{
    if (!wide_) {
        size_t end = buffer_.find('\n', scanned_);
        scanned_ = end == std::string::npos ? buffer_.size() : end;
        return end;
    }
    for (; scanned_ + 1 < buffer_.size(); scanned_ += 2) {
        if (buffer_[scanned_] == '\n' && buffer_[scanned_ + 1] == '\0')
            return scanned_;
    }
    return std::string::npos;
}

bool LineReader::Next(std::wstring* line)
{
    if (first_)
        TakeByteOrderMark();
    size_t end;
    while ((end = LineEnd()) == std::string::npos) {
        if (!Fill()) {
            if (start_ >= buffer_.size())
                return false;
            end = buffer_.size();
            break;
        }
    }
    const char* bytes = buffer_.data() + start_;
    const size_t size = end - start_;
    start_ = scanned_ = end < buffer_.size() ? end + (wide_ ? 2 : 1) : end;
    if (wide_) {
        line->resize(size / 2);
        memcpy(line->data(), bytes, size / 2 * sizeof(wchar_t));
    } else {
        int n = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)size, nullptr, 0);
        line->assign(n, L'\0');
        MultiByteToWideChar(CP_UTF8, 0, bytes, (int)size, line->data(), n);
    }
    std::erase(*line, L'\r');
    return true;
}

}  // namespace orsh
