// Lines from a file: its encoding told by its mark, each line without its
// line feed and carriage returns, across reads of any size; of a long line
// only the characters kept and its length.
#include <gtest/gtest.h>

#include "frame/owners.h"
#include "host/orsh/line_reader.h"

namespace orsh {
namespace {

TEST(LineReader, EncodingsAndLineEnds)
{
    // Each line followed by "|", its length before it in <> when only its start was kept.
    const struct { std::string bytes; std::wstring lines; size_t keep = 100000; bool unmarkedUtf16 = false; } rows[] = {
        {"", L""},
        {"a\r\nb", L"a|b|"},
        {"a\rb\r\r\n\n", L"ab||"},
        {"\xEF\xBB\xBFh\xC3\xA9\n\xEF\xBB\xBF", L"h\u00e9|\uFEFF|"},  // a mark only at the start
        // UTF-16: a line feed is a whole unit, not a 0x0A byte of another one.
        {std::string("\xFF\xFE" "a\0\r\0\n\0" "\x0A\x01\n\0" "\x05\x0A\0\x01", 16), L"a|\u010A|\u0A05\u0100|"},
        {std::string(70000, 'x') + "\ny", std::wstring(70000, L'x') + L"|y|"},
        {"\xFF\xFE" + std::string(80000, 'a') + std::string("\n\0b\0", 4), std::wstring(40000, L'\u6161') + L"|b|"},
        // Kept: one character more than asked for, whole; carriage returns count for nothing.
        {"abcdefghijklmnopqrst\nxy", L"abcde<20>|xy|", 4},
        {std::string(40, '\r') + "ab\r\ncdefghijklmnopqrstuvwxyz", L"ab|cdefg<24>|", 4},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", L"\u00e9\u00e9\u00e9<10>|", 2},
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80",
         L"\U0001F600\U0001F600<10>|", 2},
        {"\xFF\xFE" + std::string(40, 'a') + std::string("\r\0", 2), std::wstring(5, L'\u6161') + L"<20>|", 4},
        {std::string("h\0i\0\n\0", 6), std::wstring(L"h\0i\0|\0|", 7), 100000, true},
    };
    wchar_t dir[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"vlr", 0, name);
    for (const auto& row : rows) {
        vornel::unique_hfile file(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        DWORD written;
        WriteFile(file.get(), row.bytes.data(), (DWORD)row.bytes.size(), &written, nullptr);
        SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
        LineReader reader(file.get(), row.keep);
        std::wstring lines;
        for (Line line; reader.Next(&line);) {
            const bool cut = line.length != line.text.size();
            lines += line.text + (cut ? L"<" + std::to_wstring(line.length) + L">" : L"") + L"|";
        }
        EXPECT_EQ(lines, row.lines) << row.bytes.substr(0, 20);
        EXPECT_EQ(reader.Error(), 0u);
        EXPECT_EQ(reader.LooksLikeUnmarkedUtf16(), row.unmarkedUtf16) << row.bytes.substr(0, 20);
    }
}

}  // namespace
}  // namespace orsh
