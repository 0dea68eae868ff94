// The snapshot side of ENUMPROCESSES: finding a process by name or image
// path.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "commands/enumprocesses/enumprocesses.h"
#include "frame/owners.h"

namespace {

TEST(EnumProcSnapshot, FindProcessByNameAndPath)
{
    const int self = static_cast<int>(GetCurrentProcessId());
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    // Without the extension the name alone matches nothing; a pattern with a
    // backslash is held against full image paths.
    for (auto [pattern, found] : {std::pair<const wchar_t*, int>{L"UNIT_TESTS.EXE", self}, {L"unit_test?.*", self},
                                  {L"unit_tests", -1}, {path, self}, {L"*\\unit_tests.exe", self},
                                  {L"\\unit_tests.exe", -1}, {L"", -1}, {nullptr, -1}})
        EXPECT_EQ(FindProcessByName(pattern), found) << (pattern ? pattern : L"-");

    // A snapshot's records go after those already in the list; a record without a name gets an empty one.
    vornel::list_owner<_EnumProcInfo> list;
    *list.addr() = NewEnumProcInfo(1, 0, nullptr);
    ASSERT_NE(list.get(), nullptr);
    EXPECT_STREQ(list.get()->name, L"");
    vornel::unique_snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    ASSERT_EQ(BuildEnumProcList(snapshot.get(), list.addr()), 0);
    EXPECT_EQ(list.get()->processId, 1u);
    bool own = false;
    for (const _EnumProcInfo* record = list.get(); record; record = record->next)
        own |= record->processId == (DWORD)self;
    EXPECT_TRUE(own);
}

}  // namespace
