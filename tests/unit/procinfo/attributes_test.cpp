// Owner, command line, integrity, elevation and creation order of real
// processes: this program and test helpers with known command lines.
#include <gtest/gtest.h>

#include <lmcons.h>

#include <memory>
#include <string>

#include "frame/owners.h"
#include "frame/plugin.h"
#include "procinfo/procinfo.h"
#include "tests/support/process_gone.h"
#include "tests/support/process_runner.h"

using vornel::test::BinPath;
using vornel::test::Helper;
using vornel::test::WaitUntilProcessGone;

namespace {

constexpr wchar_t Sentinel = 0xFEFE;

// A command-line buffer with a guard zone behind its 32768 characters.
struct CommandLineBuffer {
    static constexpr int Guard = 64;
    std::unique_ptr<wchar_t[]> data = std::make_unique<wchar_t[]>(PATH_BUFFER_SIZE + Guard);
    CommandLineBuffer() { std::fill_n(data.get(), PATH_BUFFER_SIZE + Guard, Sentinel); }
    bool GuardIntact() const
    {
        for (int i = PATH_BUFFER_SIZE; i < PATH_BUFFER_SIZE + Guard; ++i) {
            if (data[i] != Sentinel)
                return false;
        }
        return true;
    }
};

TEST(GetProcessCommandLine, HelperAndItsChildAsStarted)
{
    Helper helper(L"--tag \"cmdline probe\" --children 1");
    ASSERT_TRUE(helper.ready());
    ASSERT_EQ(helper.children().size(), 1u);

    CommandLineBuffer buffer;
    ASSERT_EQ(GetProcessCommandLine(helper.pid(), buffer.data.get()), 0);
    std::wstring helperPath = BinPath(L"vornel_testhelper.exe");
    EXPECT_EQ(std::wstring(buffer.data.get()),
              L"\"" + helperPath + L"\" --tag \"cmdline probe\" --children 1");

    // The child is started by the helper with its own full path.
    ASSERT_EQ(GetProcessCommandLine(helper.children()[0], buffer.data.get()), 0);
    std::wstring child = buffer.data.get();
    EXPECT_NE(child.find(L"vornel_testhelper.exe\" --tag child1 --signal VornelHelper-"), std::wstring::npos)
        << std::string(child.begin(), child.end());
}

TEST(GetProcessCommandLine, LongestCommandLineStaysInsideTheBuffer)
{
    // CreateProcess takes up to 32767 characters with the terminator.
    std::wstring prefix = L"\"" + BinPath(L"vornel_testhelper.exe") + L"\" --tag ";
    std::wstring tag(32766 - prefix.size(), L'x');
    Helper helper(L"--tag " + tag);
    ASSERT_TRUE(helper.ready());

    CommandLineBuffer buffer;
    ASSERT_EQ(GetProcessCommandLine(helper.pid(), buffer.data.get()), 0);
    EXPECT_EQ(wcslen(buffer.data.get()), 32766u);
    EXPECT_EQ(std::wstring(buffer.data.get()), prefix + tag);
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(GetProcessCommandLine, FailuresLeaveTheBufferAlone)
{
    CommandLineBuffer buffer;
    EXPECT_EQ(GetProcessCommandLine(0, buffer.data.get()), 1);
    EXPECT_EQ(buffer.data[0], Sentinel);
    Helper helper(L"--tag gone");
    ASSERT_TRUE(helper.ready());
    DWORD gone = helper.pid();
    helper.Kill();
    ASSERT_TRUE(WaitUntilProcessGone(gone));
    EXPECT_EQ(GetProcessCommandLine(gone, buffer.data.get()), 1);
    EXPECT_EQ(buffer.data[0], Sentinel);
    EXPECT_EQ(GetProcessCommandLine(GetCurrentProcessId(), nullptr), -1);
}

TEST(GetProcessCommandLine, WithoutTheNativeQueryNothingIsRead)
{
    CommandLineBuffer buffer;
    auto saved = NtQueryInformationProcessFn;
    NtQueryInformationProcessFn = nullptr;
    int result = GetProcessCommandLine(GetCurrentProcessId(), buffer.data.get());
    NtQueryInformationProcessFn = saved;
    EXPECT_EQ(result, -1);
    EXPECT_EQ(buffer.data[0], Sentinel);
}

TEST(GetProcessOwner, AccountNameWithoutDomain)
{
    wchar_t user[UNLEN + 1];
    DWORD size = UNLEN + 1;
    ASSERT_TRUE(GetUserNameW(user, &size));

    wchar_t owner[NAME_BUFFER_SIZE] = L"stale";
    EXPECT_EQ(GetProcessOwner(GetCurrentProcess(), owner), 0);
    EXPECT_STREQ(owner, user);

    Helper helper(L"--tag owner");
    ASSERT_TRUE(helper.ready());
    vornel::unique_handle process(OpenProcess(ProcessQueryAccess(), FALSE, helper.pid()));
    ASSERT_TRUE(process);
    EXPECT_EQ(GetProcessOwner(process.get(), owner), 0);
    EXPECT_STREQ(owner, user);

    EXPECT_EQ(GetProcessOwner(nullptr, owner), -1);
    EXPECT_EQ(GetProcessOwner(process.get(), nullptr), -1);
}

TEST(GetProcessIntegrity, WinesTokensAreHigh)
{
    EXPECT_EQ(GetProcessIntegrity(GetCurrentProcess()), 0x3000);
    EXPECT_EQ(GetProcessIntegrity(nullptr), -1);
}

TEST(IsProcessElevated, OwnProcessAndOthers)
{
    if (!OsIsVistaOrLater())
        GTEST_SKIP() << "elevation exists from Windows 6 on";
    EXPECT_EQ(IsProcessElevated(GetCurrentProcessId()), 1);  // Wine's tokens are elevated
    Helper helper(L"--tag elevated");
    ASSERT_TRUE(helper.ready());
    EXPECT_EQ(IsProcessElevated(helper.pid()), 1);
    DWORD gone = helper.pid();
    helper.Kill();
    ASSERT_TRUE(WaitUntilProcessGone(gone));
    EXPECT_EQ(IsProcessElevated(gone), -1);
    EXPECT_EQ(IsProcessElevated(0), -1);
}

TEST(IsProcessNewer, ParentAndChild)
{
    Helper helper(L"--tag order --children 1");
    ASSERT_TRUE(helper.ready());
    ASSERT_EQ(helper.children().size(), 1u);
    DWORD parent = helper.pid(), child = helper.children()[0];
    EXPECT_EQ(IsProcessNewer(child, parent), 1);
    EXPECT_EQ(IsProcessNewer(parent, child), 0);
    EXPECT_EQ(IsProcessNewer(parent, parent), 0);
    EXPECT_EQ(IsProcessNewer(child, GetCurrentProcessId()), 1);
    EXPECT_EQ(IsProcessNewer(0, parent), 0);
    EXPECT_EQ(IsProcessNewer(child, 0), 0);
    helper.Kill();
    // A process that has gone cannot be compared.
    ASSERT_TRUE(WaitUntilProcessGone(child));
    EXPECT_EQ(IsProcessNewer(child, GetCurrentProcessId()), 0);
}

// The 5.1 prefix: the full query right is used, and elevation, which the
// system does not know there, cannot be told.
TEST(ProcessQueriesOldWindows, FullQueryRightAndNoElevation)
{
    if (OsIsVistaOrLater())
        GTEST_SKIP() << "runs where Windows reports a version below 6";
    EXPECT_EQ(ProcessQueryAccess(), static_cast<DWORD>(PROCESS_QUERY_INFORMATION));
    EXPECT_EQ(IsProcessElevated(GetCurrentProcessId()), -1);

    Helper helper(L"--tag \"old windows\" --children 1");
    ASSERT_TRUE(helper.ready());
    ASSERT_EQ(helper.children().size(), 1u);
    CommandLineBuffer buffer;
    ASSERT_EQ(GetProcessCommandLine(helper.pid(), buffer.data.get()), 0);
    EXPECT_EQ(std::wstring(buffer.data.get()),
              L"\"" + BinPath(L"vornel_testhelper.exe") + L"\" --tag \"old windows\" --children 1");
    EXPECT_EQ(IsProcessNewer(helper.children()[0], helper.pid()), 1);
    auto path = std::make_unique<wchar_t[]>(PATH_BUFFER_SIZE);
    EXPECT_EQ(GetProcessImagePath(helper.pid(), path.get()), 0);
    EXPECT_EQ(_wcsicmp(path.get(), BinPath(L"vornel_testhelper.exe").c_str()), 0);
}

}  // namespace
