// Lines from a file: its encoding told by its mark, each line without its
// line feed and carriage returns, across reads of any size.
#include <gtest/gtest.h>

#include "frame/owners.h"
#include "host/orsh/line_reader.h"

namespace orsh {
namespace {

TEST(LineReader, EncodingsAndLineEnds)
{
    const struct { std::string bytes; std::wstring lines; } rows[] = {  // each line followed by "|"
        {"", L""},
        {"a\r\nb", L"a|b|"},
        {"a\rb\r\r\n\n", L"ab||"},
        {"\xEF\xBB\xBFh\xC3\xA9\n\xEF\xBB\xBF", L"h\u00e9|\uFEFF|"},  // a mark only at the start
        // UTF-16: a line feed is a whole unit, not a 0x0A byte of another one.
        {std::string("\xFF\xFE" "a\0\r\0\n\0" "\x0A\x01\n\0" "\x05\x0A\0\x01", 16), L"a|\u010A|\u0A05\u0100|"},
        {std::string(70000, 'x') + "\ny", std::wstring(70000, L'x') + L"|y|"},
        {"\xFF\xFE" + std::string(80000, 'a') + std::string("\n\0b\0", 4), std::wstring(40000, L'\u6161') + L"|b|"},
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
        LineReader reader(file.get());
        std::wstring lines;
        for (std::wstring line; reader.Next(&line);)
            lines += line + L"|";
        EXPECT_EQ(lines, row.lines) << row.bytes.substr(0, 20);
        EXPECT_EQ(reader.Error(), 0u);
    }
}

}  // namespace
}  // namespace orsh
