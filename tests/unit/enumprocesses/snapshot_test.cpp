// The snapshot side of ENUMPROCESSES: records from a real snapshot, finding
// a process by name or image path, and the text of a system error.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cwctype>
#include <string>

#include "commands/enumprocesses/enumprocesses.h"
#include "frame/owners.h"

namespace {

TEST(EnumProcSnapshot, ListHoldsThisProcessWithItsParent)
{
    vornel::unique_snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    ASSERT_TRUE(snapshot);
    vornel::list_owner<_EnumProcInfo> list;
    ASSERT_EQ(BuildEnumProcList(snapshot.get(), list.addr()), 0);

    // Compare with an entry of a second snapshot: same ID, name and parent
    // (the parent that started this test is older than it).
    vornel::unique_snapshot again(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(again.get(), &entry); more; more = Process32NextW(again.get(), &entry))
        if (entry.th32ProcessID == GetCurrentProcessId())
            break;
    ASSERT_EQ(entry.th32ProcessID, GetCurrentProcessId());

    int found = 0;
    for (const _EnumProcInfo* record = list.get(); record; record = record->next) {
        if (record->processId != GetCurrentProcessId())
            continue;
        ++found;
        EXPECT_STREQ(record->name, entry.szExeFile);
        EXPECT_EQ(record->parentProcessId, entry.th32ParentProcessID);
    }
    EXPECT_EQ(found, 1);
}

TEST(EnumProcSnapshot, FindProcessByNameAndPath)
{
    const int self = static_cast<int>(GetCurrentProcessId());
    EXPECT_EQ(FindProcessByName(L"UNIT_TESTS.EXE"), self);
    EXPECT_EQ(FindProcessByName(L"unit_test?.*"), self);
    // Without the extension the name alone matches nothing.
    EXPECT_EQ(FindProcessByName(L"unit_tests"), -1);
    // A pattern with a backslash is held against full image paths.
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    EXPECT_EQ(FindProcessByName(path), self);
    EXPECT_EQ(FindProcessByName(L"*\\unit_tests.exe"), self);
    EXPECT_EQ(FindProcessByName(L"\\unit_tests.exe"), -1);
    EXPECT_EQ(FindProcessByName(L""), -1);
    EXPECT_EQ(FindProcessByName(nullptr), -1);
}

TEST(EnumProcSnapshot, SystemMessages)
{
    wchar_t message[MESSAGE_SIZE];
    FormatSystemMessage(0xFFFFFFFF, message);
    EXPECT_STREQ(message, L"Unknown error");
    FormatSystemMessage(0x3FFF1234, message);  // no such system message
    EXPECT_STREQ(message, L"Error 1073680948");

    // A known code: the system's own text without its trailing line end.
    wchar_t expected[MESSAGE_SIZE];
    ASSERT_GT(FormatMessageW(0x12FF, nullptr, ERROR_ACCESS_DENIED, 0, expected, MESSAGE_SIZE, nullptr), 0u);
    FormatSystemMessage(ERROR_ACCESS_DENIED, message);
    std::wstring text = message;
    ASSERT_FALSE(text.empty());
    EXPECT_FALSE(iswspace(text.back()));
    EXPECT_EQ(std::wstring(expected).rfind(text, 0), 0u);
}

}  // namespace
