// The words of a command line and the rules that need nothing but the text.
#include <gtest/gtest.h>

#include "host/orsh/program.h"
#include "host/orsh/words.h"

namespace orsh {
namespace {

TEST(Words, FirstWordAndTheRest)
{
    const struct {
        std::wstring line, command, args;
    } rows[] = {
        {L"echo  a  b ", L"echo", L"a  b "},
        {L"\"my prog\"\tx", L"my prog", L"x"},
        {L"a\"b c\"d  e", L"ab cd", L"e"},  // quotes open and close inside a word
        {L"\"unclosed x", L"unclosed x", L""},
        {L"", L"", L""},
    };
    for (const auto& row : rows) {
        std::wstring command, args;
        SplitCommand(row.line, &command, &args);
        EXPECT_EQ(command, row.command) << row.line;
        EXPECT_EQ(args, row.args) << row.line;
    }
}

TEST(Words, Remarks)
{
    for (const wchar_t* line : {L"rem", L"REM x", L"rem\tx", L"::", L"::x"})
        EXPECT_TRUE(IsRemark(line)) << line;
    for (const wchar_t* line : {L"remark", L":x", L"re", L"echo rem"})
        EXPECT_FALSE(IsRemark(line)) << line;
}

TEST(Words, ExitArgument)
{
    const struct {
        const wchar_t* text;
        bool taken;
        int code;
    } rows[] = {
        {L"7", true, 7},           {L"-2", true, -2},          {L"+5", true, 5},
        {L"4294967295", true, -1}, {L"-2147483648", true, INT_MIN},
        {L"4294967296", false},    {L"-2147483649", false},    {L"99999999999999999999", false},
        {L"abc", false},           {L"12abc", false},          {L"5 ", false},
        {L"0x10", false},          {L"-", false},              {L"", false},
    };
    for (const auto& row : rows) {
        int code = 12345;
        EXPECT_EQ(ExitCode(row.text, &code), row.taken) << row.text;
        EXPECT_EQ(code, row.taken ? row.code : 12345) << row.text;
    }
}

TEST(Words, LineAfterTheProgramName)
{
    EXPECT_EQ(AfterProgramName(L"\"C:\\a b\\orsh.exe\"  echo \"x  y\" "), L"echo \"x  y\" ");
    EXPECT_EQ(AfterProgramName(L"orsh.exe\t echo"), L"echo");
    EXPECT_EQ(AfterProgramName(L"\"unclosed echo"), L"");
    EXPECT_EQ(AfterProgramName(L"orsh"), L"");
}

TEST(Words, ExtendedPathFromMaxPath)
{
    const std::wstring tail(MAX_PATH, L'a');
    EXPECT_EQ(Openable(L"C:\\" + std::wstring(MAX_PATH - 4, L'a')), L"C:\\" + std::wstring(MAX_PATH - 4, L'a'));
    EXPECT_EQ(Openable(L"C:\\" + tail), L"\\\\?\\C:\\" + tail);
    EXPECT_EQ(Openable(L"\\\\srv\\s\\" + tail), L"\\\\?\\UNC\\srv\\s\\" + tail);
    EXPECT_EQ(Openable(L"\\\\?\\C:\\" + tail), L"\\\\?\\C:\\" + tail);
}

}  // namespace
}  // namespace orsh
