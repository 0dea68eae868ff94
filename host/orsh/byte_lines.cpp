#include "host/orsh/byte_lines.h"

namespace orsh {

bool ByteLines::Next(std::wstring* line)
{
    size_t end;
    for (;;) {
        end = buffer_.find('\n', scanned_);
        if (end != std::string::npos)
            break;
        scanned_ = buffer_.size();
        // Dropping the lines already taken only when they are most of the
        // buffer keeps the copying in proportion to the input.
        if (start_ > 0 && start_ >= buffer_.size() / 2) {
            buffer_.erase(0, start_);
            scanned_ -= start_;
            start_ = 0;
        }
        char chunk[65536];
        DWORD got = 0;
        if (!ReadFile(input_, chunk, sizeof chunk, &got, nullptr) || got == 0) {
            if (start_ == buffer_.size())
                return false;
            end = buffer_.size();
            break;
        }
        buffer_.append(chunk, got);
    }
    size_t begin = start_;
    start_ = scanned_ = end < buffer_.size() ? end + 1 : end;
    if (first_ && buffer_.compare(begin, 3, "\xEF\xBB\xBF") == 0)
        begin += 3;
    first_ = false;
    while (end > begin && buffer_[end - 1] == '\r')
        --end;
    int n = MultiByteToWideChar(CP_UTF8, 0, buffer_.data() + begin, (int)(end - begin), nullptr, 0);
    line->assign(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, buffer_.data() + begin, (int)(end - begin), line->data(), n);
    return true;
}

}  // namespace orsh
