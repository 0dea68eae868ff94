#include "host/orsh/line_reader.h"

#include <algorithm>
#include <cstring>

namespace orsh {

LineReader::LineReader(HANDLE input, size_t keep) : input_(input), keep_(keep) {}

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
    if (start_ > 0 || buffer_.size() < 2)
        return;
    // A NUL in every other byte (at odd offsets for little-endian units,
    // even for big-endian ones) and nowhere else.
    bool odd = true, even = true;
    for (size_t i = 0; i < std::min<size_t>(buffer_.size(), 4096); ++i) {
        odd = odd && (buffer_[i] == '\0') == (i % 2 == 1);
        even = even && (buffer_[i] == '\0') == (i % 2 == 0);
    }
    unmarkedUtf16_ = odd || even;
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

bool LineReader::IsCarriageReturn(size_t at) const
{
    return buffer_[at] == '\r' && (!wide_ || buffer_[at + 1] == '\0');
}

// The characters (UTF-16 units) that buffer_[from, to) makes, carriage
// returns left out: in UTF-8 each byte that begins a character makes one,
// and one that begins four bytes a surrogate pair.
size_t LineReader::Characters(size_t from, size_t to) const
{
    size_t n = 0;
    if (wide_) {
        for (size_t i = from; i + 1 < to; i += 2)
            n += !IsCarriageReturn(i);
        return n;
    }
    for (size_t i = from; i < to; ++i) {
        const unsigned char byte = buffer_[i];
        n += ((byte & 0xC0) != 0x80 && byte != '\r') + (byte >= 0xF0);
    }
    return n;
}

// Where the characters kept of the line that begins at start_ end, at most
// at `to`: one more than the limit, so that a longer line is known for one.
size_t LineReader::KeptEnd(size_t to) const
{
    const size_t step = wide_ ? 2 : 1;
    size_t at = start_;
    for (size_t kept = 0; kept <= keep_ && at < to; at += step)
        kept += Characters(at, at + step);
    while (!wide_ && at < to && (buffer_[at] & 0xC0) == 0x80)  // the last character whole
        ++at;
    return std::min(at, to);
}

// Called while the line being read has no end in the buffer yet, for the
// bytes newly looked at from `from` on: its carriage returns go, and once
// the line has more characters than are kept, the bytes past them are
// counted and dropped.
void LineReader::DropPastKept(size_t from)
{
    const size_t step = wide_ ? 2 : 1;
    if (!over_) {
        size_t to = from;
        for (size_t i = from; i + step <= scanned_; i += step) {
            if (!IsCarriageReturn(i)) {
                memmove(&buffer_[to], &buffer_[i], step);
                to += step;
            }
        }
        buffer_.erase(to, scanned_ - to);  // in UTF-16 an odd byte after scanned_ stays
        scanned_ = to;
        // Without carriage returns each character takes three bytes at most.
        if (scanned_ - start_ <= 3 * (keep_ + 1))
            return;
        keptBytes_ = KeptEnd(scanned_) - start_;
        over_ = true;
    }
    const size_t cut = start_ + keptBytes_;
    dropped_ += Characters(cut, scanned_);
    buffer_.erase(cut, scanned_ - cut);
    scanned_ = cut;
}

bool LineReader::Next(Line* line)
{
    if (first_)
        TakeByteOrderMark();
    size_t end;
    for (size_t from = scanned_; (end = LineEnd()) == std::string::npos; from = scanned_) {
        DropPastKept(from);
        if (!Fill()) {
            if (start_ >= buffer_.size())
                return false;
            end = buffer_.size();
            break;
        }
    }
    // A line shorter in bytes than the characters kept is kept whole.
    const size_t textEnd = over_ ? start_ + keptBytes_ : end - start_ <= keep_ + 1 ? end : KeptEnd(end);
    dropped_ += Characters(textEnd, end);
    const char* bytes = buffer_.data() + start_;
    const size_t size = textEnd - start_;
    start_ = scanned_ = end < buffer_.size() ? end + (wide_ ? 2 : 1) : end;
    if (wide_) {
        line->text.resize(size / 2);
        memcpy(line->text.data(), bytes, size / 2 * sizeof(wchar_t));
    } else {
        int n = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)size, nullptr, 0);
        line->text.assign(n, L'\0');
        MultiByteToWideChar(CP_UTF8, 0, bytes, (int)size, line->text.data(), n);
    }
    std::erase(line->text, L'\r');
    line->length = line->text.size() + dropped_;
    line->number = ++number_;
    over_ = false;
    keptBytes_ = dropped_ = 0;
    return true;
}

}  // namespace orsh
