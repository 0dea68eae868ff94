// Redirection operators: words of their own outside quotes, taken out of the
// line in their order with the blanks in front of them.
#include <gtest/gtest.h>

#include "host/orsh/redirection.h"

namespace orsh {
namespace {

// "1>FILE;" "2>>FILE;" "2>&1;" for each redirection, in order.
std::wstring Described(const std::vector<Redirection>& redirections)
{
    std::wstring text;
    for (const Redirection& r : redirections) {
        text += r.stream == STD_OUTPUT_HANDLE ? L"1" : L"2";
        text += (r.append ? L">>" : L">") + (r.toOutput ? L"&1" : r.file) + L";";
    }
    return text;
}

TEST(Redirection, OperatorsTakenOutOfTheLine)
{
    const struct {
        std::wstring line, kept, taken, error;
    } rows[] = {
        {L"echo a > f", L"echo a", L"1>f;"},
        {L"echo a >> \"x y\"  2>&1 tail", L"echo a tail", L"1>>x y;2>&1;"},
        {L"echo 2> e x 1>> o", L"echo x", L"2>e;1>>o;"},
        {L"2>&1 > f echo", L" echo", L"2>&1;1>f;"},
        {L"tasklist /HL:svc*|expl* a>b \">\" 2>&1x", L"tasklist /HL:svc*|expl* a>b \">\" 2>&1x", L""},
        {L"echo >", L"", L"", L"a file name must follow >"},
        {L"echo 2>> >", L"", L"", L"a file name must follow 2>>"},
        {L"echo > \"\"", L"", L"", L"a file name must follow >"},
    };
    for (const auto& row : rows) {
        std::wstring line = row.line, error;
        std::vector<Redirection> taken;
        EXPECT_EQ(TakeRedirections(line, &taken, &error), row.error.empty()) << row.line;
        EXPECT_EQ(error, row.error) << row.line;
        if (row.error.empty()) {
            EXPECT_EQ(line, row.kept) << row.line;
            EXPECT_EQ(Described(taken), row.taken) << row.line;
        }
    }
}

}  // namespace
}  // namespace orsh
