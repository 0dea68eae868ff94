// A parent ID that a younger process has taken over, as both process-list
// builders see it: the helper's first child is made to look older than the
// process that now holds its parent ID, so it has no parent any more.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "commands/enumprocesses/enumprocesses.h"
#include "commands/tasklist/tasklist.h"
#include "console/console.h"
#include "frame/owners.h"
#include "tests/support/capture.h"
#include "tests/support/process_runner.h"

using vornel::test::Narrow;

namespace {

DWORD ReusedParent = 0, Orphan = 0;

int FakeParentIsYounger(DWORD parentId, DWORD childId)
{
    return parentId == ReusedParent && childId == Orphan ? 1 : IsProcessNewer(parentId, childId);
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// The index of the first line that starts with `start`, or -1.
int LineStarting(const std::vector<std::wstring>& lines, const std::wstring& start)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].compare(0, start.size(), start) == 0)
            return int(i);
    return -1;
}

std::wstring Format(const wchar_t* format, DWORD a, DWORD b = 0)
{
    wchar_t text[64];
    wsprintfW(text, format, a, b);
    return text;
}

TEST(ReusedParent, OrphanIsARootWithoutParentInBothCommands)
{
    vornel::test::Helper helper(L"--children 2");
    ASSERT_TRUE(helper.ready());
    ASSERT_EQ(helper.children().size(), 2u);
    ReusedParent = helper.pid();
    Orphan = helper.children()[0];
    const DWORD sibling = helper.children()[1];
    ParentIsYounger = FakeParentIsYounger;
    vornel::scope_exit restore([] { ParentIsYounger = IsProcessNewer; });
    vornel::test::Capture capture;

    // /R /Z: a root of its own with an empty parent column; the sibling
    // stays under the helper.
    const std::wstring orphanStart = Format(L"%5u  ", Orphan) + L"      ";
    ASSERT_EQ(tasklist(L"/R /Z"), 0);
    auto lines = Lines(capture.out());
    EXPECT_GE(LineStarting(lines, orphanStart), 0) << Narrow(capture.out());
    auto helperLine = std::find_if(lines.begin(), lines.end(), [](const std::wstring& line) {
        return line.find(Format(L"─%5u  ", ReusedParent)) != std::wstring::npos;
    });
    ASSERT_TRUE(helperLine != lines.end() && helperLine + 1 != lines.end()) << Narrow(capture.out());
    EXPECT_NE(helperLine[1].find(Format(L"─%5u  %5u ", sibling, ReusedParent)), std::wstring::npos)
        << Narrow(capture.out());

    // /O:Z: among the processes with parent 0, before every other one.
    capture.clear();
    ASSERT_EQ(tasklist(L"/O:Z /Z"), 0);
    lines = Lines(capture.out());
    int orphanLine = LineStarting(lines, orphanStart);
    ASSERT_GE(orphanLine, 0) << Narrow(capture.out());
    for (int i = 0; i < orphanLine; ++i)
        EXPECT_EQ(lines[i].substr(7, 6), L"      ") << Narrow(lines[i]);

    // ENUMPROCESSES: the helper's tree holds the sibling only.
    capture.clear();
    ASSERT_EQ(enumprocesses(Format(L"%u", ReusedParent).c_str()), 0);
    std::wstring tree = capture.out();
    EXPECT_NE(tree.find(Format(L"  %u  ", sibling)), std::wstring::npos) << Narrow(tree);
    EXPECT_EQ(tree.find(Format(L"  %u  ", Orphan)), std::wstring::npos) << Narrow(tree);
}

}  // namespace
