// A batch file's command line for the command interpreter: its operators
// escaped, words it would split quoted, what it would expand refused.
#include <windows.h>

#include <gtest/gtest.h>

#include "host/orsh/cmd_words.h"

namespace orsh {
namespace {

TEST(CmdWords, EscapedQuotedOrRefused)
{
    SetEnvironmentVariableW(L"VORNEL_SET", L"1");
    const std::wstring path = L"C:\\b.bat", quoted = L"\"C:\\b.bat\"";
    const size_t room = MaxCmdLength - quoted.size() - 1;
    const struct {
        std::wstring args, line, problem;
    } rows[] = {
        {L"", quoted},
        {L"a&echo x", quoted + L" a^&echo x"},
        {L"(^|<>) \"x&y\"", quoted + L" ^(^^^|^<^>^) \"x&y\""},
        {L"x;y a,b=\"c d\"", quoted + L" \"x;y\" \"a,b=\"\"c d\""},
        {L"%vornel_unset% 50% or 20%", quoted + L" %vornel_unset% 50% or 20%"},
        {L"%Vornel_Set%", L"", L"the command interpreter would expand %Vornel_Set% before the batch file saw it"},
        {L"%x%cd:~1%", L"", L"the command interpreter would expand %cd:~1% before the batch file saw it"},
        {L"%PROMPT%", L"", L"the command interpreter would expand %PROMPT% before the batch file saw it"},
        {std::wstring(room, L'a'), quoted + L" " + std::wstring(room, L'a')},
        {std::wstring(room / 2 + 1, L'&'), L"",
         L"the command interpreter would get 8191 characters once escaped, more than 8190"},
    };
    for (const auto& row : rows) {
        std::wstring line, problem;
        EXPECT_EQ(CommandForCmd(path, row.args, &line, &problem), row.problem.empty()) << row.args.substr(0, 40);
        EXPECT_EQ(problem, row.problem) << row.args.substr(0, 40);
        EXPECT_EQ(line, row.problem.empty() ? row.line : line) << row.args.substr(0, 40);
    }
    SetEnvironmentVariableW(L"VORNEL_SET", nullptr);
}

}  // namespace
}  // namespace orsh
