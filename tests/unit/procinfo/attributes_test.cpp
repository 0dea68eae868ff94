// Owner, command line, integrity, elevation, creation order and image path
// of real processes: this program and test helpers with known command lines.
#include <gtest/gtest.h>

#include <lmcons.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

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
constexpr int Guard = 64;

// A command-line buffer with a guard zone behind its 32768 characters.
struct CommandLineBuffer {
    std::unique_ptr<wchar_t[]> data = std::make_unique<wchar_t[]>(PATH_BUFFER_SIZE + Guard);
    CommandLineBuffer() { std::fill_n(data.get(), PATH_BUFFER_SIZE + Guard, Sentinel); }
    bool GuardIntact() const
    {
        return std::all_of(&data[PATH_BUFFER_SIZE], &data[PATH_BUFFER_SIZE + Guard], [](wchar_t c) { return c == Sentinel; });
    }
    std::wstring Of(DWORD pid, int expected = 0)
    {
        EXPECT_EQ(GetProcessCommandLine(pid, data.get()), expected) << pid;
        return data.get();
    }
};

std::wstring HelperCommandLine(const std::wstring& args)
{
    return L"\"" + BinPath(L"vornel_testhelper.exe") + L"\" " + args;
}

TEST(ProcessQueries, HelperAndItsChildThenGone)
{
    const std::wstring args = L"--tag \"cmdline probe\" --children 1";
    Helper helper(args);
    ASSERT_TRUE(helper.ready());
    ASSERT_EQ(helper.children().size(), 1u);
    DWORD parent = helper.pid(), child = helper.children()[0], self = GetCurrentProcessId();

    CommandLineBuffer buffer;
    EXPECT_EQ(buffer.Of(parent), HelperCommandLine(args));
    // The child is started by the helper with its own full path.
    EXPECT_NE(buffer.Of(child).find(L"vornel_testhelper.exe\" --tag child1 --signal VornelHelper-"),
              std::wstring::npos);

    wchar_t user[UNLEN + 1];
    DWORD size = UNLEN + 1;
    ASSERT_TRUE(GetUserNameW(user, &size));
    wchar_t owner[NAME_BUFFER_SIZE] = L"stale";
    EXPECT_EQ(GetProcessOwner(GetCurrentProcess(), owner), 0);
    EXPECT_STREQ(owner, user);  // the account name without the domain
    vornel::unique_handle process(OpenProcess(ProcessQueryAccess(), FALSE, parent));
    ASSERT_TRUE(process);
    wcscpy(owner, L"stale");
    EXPECT_EQ(GetProcessOwner(process.get(), owner), 0);
    EXPECT_STREQ(owner, user);
    EXPECT_EQ(GetProcessOwner(nullptr, owner), -1);
    EXPECT_EQ(GetProcessOwner(process.get(), nullptr), -1);
    process.reset();  // an open handle would keep the process object alive

    EXPECT_EQ(GetProcessIntegrity(GetCurrentProcess()), 0x3000);  // Wine's tokens are high
    EXPECT_EQ(GetProcessIntegrity(nullptr), -1);
    if (OsIsVistaOrLater()) {
        EXPECT_EQ(IsProcessElevated(self), 1);  // and elevated
        EXPECT_EQ(IsProcessElevated(parent), 1);
    }
    EXPECT_EQ(IsProcessElevated(0), -1);

    EXPECT_EQ(IsProcessNewer(child, parent), 1);
    EXPECT_EQ(IsProcessNewer(parent, child), 0);
    EXPECT_EQ(IsProcessNewer(parent, parent), 0);
    EXPECT_EQ(IsProcessNewer(child, self), 1);
    EXPECT_EQ(IsProcessNewer(0, parent), 0);
    EXPECT_EQ(IsProcessNewer(child, 0), 0);

    auto path = std::make_unique<wchar_t[]>(PATH_BUFFER_SIZE);
    EXPECT_EQ(GetProcessImagePath(parent, path.get()), 0);
    EXPECT_EQ(_wcsicmp(path.get(), BinPath(L"vornel_testhelper.exe").c_str()), 0);

    // Handles without the rights a query needs: its failure result, nothing read.
    vornel::unique_handle bare(OpenProcess(SYNCHRONIZE, FALSE, parent));
    vornel::unique_handle unreadable(OpenProcess(ProcessQueryAccess(), FALSE, parent));
    vornel::unique_handle noQuery;
    ASSERT_TRUE(bare && unreadable && OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_DEFAULT, noQuery.put()));
    // (Wine opens the token of any process handle and reads a token's integrity without the query right.)
    for (HANDLE token : {(HANDLE)nullptr, noQuery.get()}) {
        wcscpy(owner, L"stale");
        EXPECT_EQ(ReadTokenOwner(token, owner), token ? 0 : -1);
        EXPECT_STREQ(owner, token ? L"" : L"stale");
    }
    EXPECT_EQ(ReadTokenIntegrity(nullptr), -1);
    CommandLineBuffer unread;
    for (auto [process, result] : {std::pair{bare.get(), 2}, {unreadable.get(), 2}, {(HANDLE)nullptr, 1}})
        EXPECT_EQ(ReadProcessCommandLine(process, unread.data.get()), result);
    EXPECT_EQ(unread.data[0], Sentinel);
    EXPECT_EQ(ReadProcessCommandLine(unreadable.get(), nullptr), -1);
    EXPECT_NE(ReadProcessImagePath(bare.get(), path.get()), 0);
    EXPECT_STREQ(path.get(), L"");
    EXPECT_EQ(ReadProcessImagePath(bare.get(), nullptr), -1);
    bare.reset();
    unreadable.reset();

    // Processes that have gone: failures that leave the buffer alone.
    helper.Kill();
    ASSERT_TRUE(WaitUntilProcessGone(parent));
    ASSERT_TRUE(WaitUntilProcessGone(child));
    CommandLineBuffer untouched;
    untouched.Of(parent, 1);
    untouched.Of(0, 1);
    EXPECT_EQ(untouched.data[0], Sentinel);
    EXPECT_EQ(GetProcessCommandLine(self, nullptr), -1);
    EXPECT_EQ(IsProcessElevated(parent), -1);
    EXPECT_EQ(IsProcessNewer(child, self), 0);
    EXPECT_NE(GetProcessImagePath(parent, path.get()), 0);
    EXPECT_STREQ(path.get(), L"");
}

// A listing looks each account up once: the names it keeps are each SID's
// own, the same as those looked up outside a listing.
TEST(ReadAccountName, ListingKeepsEachAccountsOwnName)
{
    vornel::unique_handle token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()));
    alignas(TOKEN_USER) BYTE user[256];
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token.get(), TokenUser, user, sizeof user, &size));
    BYTE system[SECURITY_MAX_SID_SIZE];
    size = sizeof system;
    ASSERT_TRUE(CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &size));
    const PSID sids[] = {reinterpret_cast<TOKEN_USER*>(user)->User.Sid, system};

    wchar_t alone[2][NAME_BUFFER_SIZE], listed[NAME_BUFFER_SIZE];
    for (int i = 0; i < 2; ++i)
        ReadAccountName(sids[i], alone[i]);
    ASSERT_STRNE(alone[0], L"");
    ASSERT_STRNE(alone[0], alone[1]);
    ProcessScope listing(false);
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 2; ++i) {
            wcscpy(listed, L"stale");
            ReadAccountName(sids[i], listed);
            EXPECT_STREQ(listed, alone[i]) << "round " << round << ", SID " << i;
        }
}

TEST(GetProcessCommandLine, LongestCommandLineStaysInsideTheBuffer)
{
    // CreateProcess takes up to 32767 characters with the terminator.
    std::wstring tag(32766 - HelperCommandLine(L"--tag ").size(), L'x');
    Helper helper(L"--tag " + tag);
    ASSERT_TRUE(helper.ready());
    CommandLineBuffer buffer;
    EXPECT_EQ(buffer.Of(helper.pid()), HelperCommandLine(L"--tag " + tag));
    EXPECT_EQ(wcslen(buffer.data.get()), 32766u);
    EXPECT_TRUE(buffer.GuardIntact());

    // Without the native query nothing is read.
    CommandLineBuffer untouched;
    auto saved = NtQueryInformationProcessFn;
    NtQueryInformationProcessFn = nullptr;
    int result = GetProcessCommandLine(GetCurrentProcessId(), untouched.data.get());
    NtQueryInformationProcessFn = saved;
    EXPECT_EQ(result, -1);
    EXPECT_EQ(untouched.data[0], Sentinel);
}

// The environment block of this process, as a stand-in for the native query places it.
ULONG64 FakeBlockAddress = 0;

LONG WINAPI FakeBasicInformation(HANDLE, ULONG, PVOID information, ULONG, PULONG)
{
    memcpy(static_cast<BYTE*>(information) + 8, &FakeBlockAddress, sizeof FakeBlockAddress);
    return 0;
}

// Blocks that lead nowhere (a process still being set up, or one that rewrote its own): each dead end
// gives 2 with nothing written, a text that cannot be read an empty command line.
TEST(GetProcessCommandLine, EnvironmentBlocksThatLeadNowhere)
{
    // An address no program can read (Wine reads even reserved pages of its own process).
    const ULONG64 hole = 0xFFFFFFFFFFFF0000;
    std::vector<BYTE> block(1608), parameters(128);
    const wchar_t text[] = L"abc";
    const auto at = [](const auto& buffer) { return reinterpret_cast<ULONG64>(buffer.data()); };
    const ULONG64 shown = reinterpret_cast<ULONG64>(text);
    const struct {
        ULONG64 block, parameters, text;
        USHORT bytes;
        int result;
        const wchar_t* line;  // nullptr: the buffer untouched
    } cases[] = {
        {0, 0, 0, 0, 2, nullptr},         {hole, 0, 0, 0, 2, nullptr},           {at(block), 0, 0, 0, 2, nullptr},
        {at(block), hole, 0, 0, 2, nullptr}, {at(block), at(parameters), shown, 0, 2, nullptr},
        {at(block), at(parameters), hole, 6, 0, L""}, {at(block), at(parameters), shown, 6, 0, L"abc"},
    };
    auto saved = NtQueryInformationProcessFn;
    NtQueryInformationProcessFn = FakeBasicInformation;
    for (const auto& c : cases) {
        FakeBlockAddress = c.block;
        memcpy(block.data() + 0x20, &c.parameters, sizeof c.parameters);
        memcpy(parameters.data() + 0x70, &c.bytes, sizeof c.bytes);
        memcpy(parameters.data() + 0x78, &c.text, sizeof c.text);
        CommandLineBuffer buffer;
        EXPECT_EQ(ReadProcessCommandLine(GetCurrentProcess(), buffer.data.get()), c.result) << &c - cases;
        if (c.line)
            EXPECT_STREQ(buffer.data.get(), c.line);
        else
            EXPECT_EQ(buffer.data[0], Sentinel);
    }
    NtQueryInformationProcessFn = saved;
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
    EXPECT_EQ(CommandLineBuffer().Of(helper.pid()), HelperCommandLine(L"--tag \"old windows\" --children 1"));
    EXPECT_EQ(IsProcessNewer(helper.children()[0], helper.pid()), 1);
    auto path = std::make_unique<wchar_t[]>(PATH_BUFFER_SIZE);
    EXPECT_EQ(GetProcessImagePath(helper.pid(), path.get()), 0);
    EXPECT_EQ(_wcsicmp(path.get(), BinPath(L"vornel_testhelper.exe").c_str()), 0);
}

}  // namespace
