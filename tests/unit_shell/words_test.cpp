// The shell's rules that need nothing but the text of a line: its words,
// remarks, the exit argument, redirection operators and the batch line.
#include <windows.h>

#include <gtest/gtest.h>

#include "host/orsh/cmd_words.h"
#include "host/orsh/redirection.h"
#include "host/orsh/words.h"

namespace orsh {
namespace {

TEST(Words, FirstWordAndTheRest)
{
    const struct { std::wstring line, command, args; } rows[] = {
        {L"echo  a  b ", L"echo", L"a  b "},
        {L"\"my prog\"\tx", L"my prog", L"x"},
        {L"a\"b c\"d  e", L"ab cd", L"e"},  // quotes open and close inside a word
        {L"\"unclosed x", L"unclosed x", L""},
    };
    for (const auto& row : rows) {
        std::wstring command, args;
        SplitCommand(row.line, &command, &args);
        EXPECT_EQ(command + L"|" + args, row.command + L"|" + row.args) << row.line;
    }
    for (const wchar_t* line : {L"rem", L"REM x", L"rem\tx", L"::x"})
        EXPECT_TRUE(IsRemark(line)) << line;
    for (const wchar_t* line : {L"remark", L":x", L"re"})
        EXPECT_FALSE(IsRemark(line)) << line;
    EXPECT_EQ(AfterProgramName(L"\"C:\\a b\\orsh.exe\"  echo \"x  y\" "), L"echo \"x  y\" ");
    EXPECT_EQ(AfterProgramName(L"orsh.exe\t echo"), L"echo");
    EXPECT_EQ(AfterProgramName(L"\"unclosed echo"), L"");
}

TEST(Words, ExitArgument)
{
    const struct {
        const wchar_t* text;
        bool taken;
        int code;
    } rows[] = {
        {L"7", true, 7},           {L"-2", true, -2},       {L"+5", true, 5},  {L"4294967295", true, -1},
        {L"-2147483648", true, INT_MIN},  {L"4294967296", false},  {L"-2147483649", false},
        {L"99999999999999999999", false}, {L"12abc", false},       {L"5 ", false},  {L"0x10", false},  {L"-", false},
    };
    for (const auto& row : rows) {
        int code = 12345;
        EXPECT_EQ(ExitCode(row.text, &code), row.taken) << row.text;
        EXPECT_EQ(code, row.taken ? row.code : 12345) << row.text;
    }
}

// "1>FILE;" "2>>FILE;" "2>&1;" for each redirection, in order.
std::wstring Described(const std::vector<Redirection>& redirections)
{
    std::wstring text;
    for (const Redirection& r : redirections)
        text += (r.stream == STD_OUTPUT_HANDLE ? L"1" : L"2") + std::wstring(r.append ? L">>" : L">") +
                (r.toOutput ? L"&1" : r.file) + L";";
    return text;
}

TEST(Redirection, OperatorsTakenOutOfTheLine)
{
    // taken: the error when there is one
    const struct { std::wstring line, kept, taken; bool ok = true; } rows[] = {
        {L"echo a >> \"x y\"  2>&1 tail", L"echo a tail", L"1>>x y;2>&1;"},
        {L"echo 2> e x 1>> o", L"echo x", L"2>e;1>>o;"},
        {L"2>&1 > f echo", L" echo", L"2>&1;1>f;"},
        {L"tasklist /HL:svc*|expl* a>b \">\" 2>&1x", L"tasklist /HL:svc*|expl* a>b \">\" 2>&1x", L""},
        {L"echo >", L"", L"a file name must follow >", false},
        {L"echo 2>> > f", L"", L"a file name must follow 2>>", false},
        {L"echo > \"\"", L"", L"a file name must follow >", false},
        {L"tasklist | more", L"", L"this shell has no pipes (a \"|\" in quotes is an argument); the command did not run", false},
    };
    for (const auto& row : rows) {
        std::wstring line = row.line, error;
        std::vector<Redirection> taken;
        EXPECT_EQ(TakeRedirections(line, &taken, &error), row.ok) << row.line;
        EXPECT_EQ(row.ok ? line + L"|" + Described(taken) : error, row.ok ? row.kept + L"|" + row.taken : row.taken);
    }
}

TEST(CmdWords, EscapedQuotedOrRefused)
{
    SetEnvironmentVariableW(L"VORNEL_SET", L"1");
    const std::wstring path = L"C:\\b.bat", quoted = L"\"C:\\b.bat\" ", expand = L"the command interpreter would expand ";
    const size_t room = MaxCmdLength - quoted.size();
    // line: the problem when there is one
    const struct { std::wstring args, line; bool ok = true; } rows[] = {
        {L"a&echo x", quoted + L"a^&echo x"},
        {L"(^|<>) \"x&y\"", quoted + L"^(^^^|^<^>^) \"x&y\""},
        {L"x;y a,b=\"c d\"", quoted + L"\"x;y\" \"a,b=\"\"c d\""},
        {L"%vornel_unset% 50% or 20%", quoted + L"%vornel_unset% 50% or 20%"},
        {L"%Vornel_Set%", expand + L"%Vornel_Set% before the batch file saw it", false},
        {L"%x%cd:~1%", expand + L"%cd:~1% before the batch file saw it", false},  // cmd pairs the signs its way
        {L"%PROMPT%", expand + L"%PROMPT% before the batch file saw it", false},
        {L"a=b c", quoted + L"\"a=b\" c"},
        // The batch file's own forms, which cmd expands again inside it; a % that starts none stays.
        {L"x% '%~dp0'", expand + L"%~ in the word '%~dp0' inside the batch file", false},
        {L"100% \"a %9\"", expand + L"%9 in the word \"a %9\" inside the batch file", false},
        {L"a%*b", expand + L"%* in the word a%*b inside the batch file", false},
        {std::wstring(room, L'a'), quoted + std::wstring(room, L'a')},
        {std::wstring(room / 2 + 1, L'&'), L"the command interpreter would get 8191 characters once escaped, more "
                                           L"than 8190", false},
    };
    for (const auto& row : rows) {
        std::wstring line, problem;
        EXPECT_EQ(CommandForCmd(path, row.args, &line, &problem), row.ok) << row.args.substr(0, 40);
        EXPECT_EQ(row.ok ? line : problem, row.line) << row.args.substr(0, 40);
    }
    SetEnvironmentVariableW(L"VORNEL_SET", nullptr);
}

}  // namespace
}  // namespace orsh
