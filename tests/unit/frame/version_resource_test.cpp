// The version resources of the built binaries, read back the way Explorer
// and installers read them, against the version the plug-in reports itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame/args.h"
#include "frame/errors.h"
#include "frame/plugin.h"
#include "tests/support/capture.h"
#include "tests/support/process_runner.h"

namespace {

std::wstring Dotted(DWORD high, DWORD low)
{
    wchar_t text[64];
    swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(high), LOWORD(high), HIWORD(low), LOWORD(low));
    return text;
}

const void* Query(const std::vector<BYTE>& resource, const std::wstring& key)
{
    void* value = nullptr;
    UINT size = 0;
    return VerQueryValueW(resource.data(), key.c_str(), &value, &size) ? value : nullptr;
}

// A string from the block that the first translation names, as Explorer
// looks it up; empty when there is none.
std::wstring String(const std::vector<BYTE>& resource, const wchar_t* name)
{
    auto translation = static_cast<const WORD*>(Query(resource, L"\\VarFileInfo\\Translation"));
    if (!translation)
        return L"";
    wchar_t block[16];
    swprintf(block, 16, L"%04X%04X", translation[0], translation[1]);
    std::wstring key = L"\\StringFileInfo\\" + std::wstring(block) + L"\\" + name;
    auto value = static_cast<const wchar_t*>(Query(resource, key));
    return value ? value : L"";
}

TEST(VersionResource, EachBinaryCarriesThePluginVersion)
{
    // The version line, "Vornel  1.0.25.3 (x64)", extends the record's three
    // numbers by a fourth.
    vornel::test::Capture capture;
    ShowUsage(L"", 1);
    const std::wstring line = capture.out();
    const size_t start = line.find(L"Vornel  ") + 8;
    const std::wstring version = line.substr(start, line.find(L" (", start) - start);
    const PluginInfo* info = GetPluginInfo();
    wchar_t record[64];
    swprintf(record, 64, L"%u.%u.%u.", info->nMajor, info->nMinor, info->nBuild);
    EXPECT_EQ(version.rfind(record, 0), 0u) << version;

    const struct {
        const wchar_t* file;
        DWORD type;
    } binaries[] = {{L"Vornel.dll", VFT_DLL}, {L"OrshHost.dll", VFT_DLL}, {L"orsh.exe", VFT_APP}};
    for (const auto& binary : binaries) {
        SCOPED_TRACE(testing::Message() << binary.file);
        const std::wstring path = vornel::test::BinPath(binary.file);
        DWORD ignored = 0;
        std::vector<BYTE> resource(GetFileVersionInfoSizeW(path.c_str(), &ignored));
        ASSERT_FALSE(resource.empty()) << "no version resource";
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, (DWORD)resource.size(), resource.data()));

        auto fixed = static_cast<const VS_FIXEDFILEINFO*>(Query(resource, L"\\"));
        ASSERT_NE(fixed, nullptr);
        EXPECT_EQ(Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS), version);
        EXPECT_EQ(Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS), version);
        EXPECT_EQ(fixed->dwFileType, binary.type);
        auto translation = static_cast<const WORD*>(Query(resource, L"\\VarFileInfo\\Translation"));
        ASSERT_NE(translation, nullptr);
        EXPECT_EQ(translation[0], 0x0409);  // US English
        EXPECT_EQ(translation[1], 1200);    // Unicode
        EXPECT_EQ(String(resource, L"FileVersion"), version);
        EXPECT_EQ(String(resource, L"ProductVersion"), version);
        EXPECT_EQ(String(resource, L"ProductName"), info->pszDll);
        EXPECT_EQ(String(resource, L"InternalName"), binary.file);
        EXPECT_EQ(String(resource, L"OriginalFilename"), binary.file);
        EXPECT_GT(String(resource, L"FileDescription").size(), 10u);
    }
}

}  // namespace
