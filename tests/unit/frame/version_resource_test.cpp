// The version resources of the built binaries, read back the way Explorer
// and installers read them, against the version the plug-in reports itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame/args.h"
#include "frame/plugin.h"
#include "tests/support/capture.h"
#include "tests/support/process_runner.h"

namespace {

using vornel::test::BinPath;

// The four numbers of the plug-in's own version line, "Vornel  1.0.25.3 (x64)".
std::wstring VersionLineNumbers()
{
    vornel::test::Capture capture;
    ShowUsage(L"", 1);
    std::wstring out = capture.out();
    size_t start = out.find(L"Vornel  ");
    if (start == std::wstring::npos)
        return out;
    start += 8;
    return out.substr(start, out.find(L" (", start) - start);
}

std::wstring Dotted(DWORD ms, DWORD ls)
{
    wchar_t text[64];
    swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls));
    return text;
}

class VersionInfo {
public:
    explicit VersionInfo(const std::wstring& path)
    {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        data_.resize(size);
        if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, data_.data()))
            data_.clear();
    }

    bool empty() const { return data_.empty(); }

    const void* Query(const std::wstring& key, UINT* length = nullptr) const
    {
        void* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueW(data_.data(), key.c_str(), &value, &size))
            return nullptr;
        if (length)
            *length = size;
        return value;
    }

    // A string of the block that the first translation names, as Explorer
    // looks it up; empty when there is none.
    std::wstring String(const wchar_t* name) const
    {
        UINT length = 0;
        auto translation = static_cast<const WORD*>(Query(L"\\VarFileInfo\\Translation", &length));
        if (!translation || length < 2 * sizeof(WORD))
            return {};
        wchar_t block[16];
        swprintf(block, 16, L"%04X%04X", translation[0], translation[1]);
        auto value = static_cast<const wchar_t*>(Query(std::wstring(L"\\StringFileInfo\\") + block + L"\\" + name));
        return value ? value : L"";
    }

private:
    std::vector<BYTE> data_;
};

TEST(VersionResource, EachBinaryCarriesThePluginVersion)
{
    const PluginInfo* info = GetPluginInfo();
    const std::wstring version = VersionLineNumbers();
    // The version line extends the record's three numbers by a fourth.
    wchar_t recordPart[64];
    swprintf(recordPart, 64, L"%u.%u.%u.", info->nMajor, info->nMinor, info->nBuild);
    ASSERT_EQ(version.rfind(recordPart, 0), 0u) << version;

    const struct {
        const wchar_t* file;
        DWORD type;
    } binaries[] = {{L"Vornel.dll", VFT_DLL}, {L"OrshHost.dll", VFT_DLL}, {L"orsh.exe", VFT_APP}};
    for (const auto& binary : binaries) {
        SCOPED_TRACE(testing::Message() << binary.file);
        VersionInfo resource(BinPath(binary.file));
        ASSERT_FALSE(resource.empty()) << "no version resource";
        UINT length = 0;
        auto fixed = static_cast<const VS_FIXEDFILEINFO*>(resource.Query(L"\\", &length));
        ASSERT_NE(fixed, nullptr);
        ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS), version);
        EXPECT_EQ(Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS), version);
        EXPECT_EQ(fixed->dwFileType, binary.type);
        EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask & VS_FF_DEBUG, 0u);

        auto translation = static_cast<const WORD*>(resource.Query(L"\\VarFileInfo\\Translation", &length));
        ASSERT_NE(translation, nullptr);
        EXPECT_EQ(translation[0], 0x0409);  // US English
        EXPECT_EQ(translation[1], 1200);    // Unicode
        EXPECT_EQ(resource.String(L"FileVersion"), version);
        EXPECT_EQ(resource.String(L"ProductVersion"), version);
        EXPECT_EQ(resource.String(L"ProductName"), info->pszDll);
        EXPECT_EQ(resource.String(L"InternalName"), binary.file);
        EXPECT_EQ(resource.String(L"OriginalFilename"), binary.file);
        EXPECT_GT(resource.String(L"FileDescription").size(), 10u);
    }
}

}  // namespace
