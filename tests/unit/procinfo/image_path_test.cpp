// Device paths to drive letters and UNC names, with the volumes Wine
// really reports, and image paths of real processes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "frame/plugin.h"
#include "procinfo/procinfo.h"
#include "tests/support/process_gone.h"
#include "tests/support/process_runner.h"

using vornel::test::BinPath;
using vornel::test::Helper;
using vornel::test::WaitUntilProcessGone;

namespace {

// The path rewritten in a full-size buffer, as callers hand it over.
std::wstring Rewritten(const std::wstring& devicePath, int* result = nullptr)
{
    auto buffer = std::make_unique<wchar_t[]>(PATH_BUFFER_SIZE);
    wcscpy(buffer.get(), devicePath.c_str());
    int r = DevicePathToDosPath(buffer.get());
    if (result)
        *result = r;
    return buffer.get();
}

std::wstring DeviceTarget(const wchar_t* drive)
{
    wchar_t target[1024] = {};
    QueryDosDeviceW(drive, target, 1024);
    return target;
}

std::wstring ImagePath(DWORD processId, int* result)
{
    auto buffer = std::make_unique<wchar_t[]>(PATH_BUFFER_SIZE);
    wcscpy(buffer.get(), L"stale");
    *result = GetProcessImagePath(processId, buffer.get());
    return buffer.get();
}

TEST(DevicePathToDosPath, NetworkFormsBecomeUncPaths)
{
    EXPECT_EQ(Rewritten(L"\\device\\mup\\srv\\share\\x.exe"), L"\\\\srv\\share\\x.exe");
    EXPECT_EQ(Rewritten(L"\\Device\\Mup\\srv\\share\\x.exe"), L"\\\\srv\\share\\x.exe");
    EXPECT_EQ(Rewritten(L"\\Device\\LanmanRedirector\\srv\\share\\x.exe"), L"\\\\srv\\share\\x.exe");
    EXPECT_EQ(Rewritten(L"\\DEVICE\\LANMANREDIRECTOR\\;Z:0001\\srv\\x.exe"), L"\\\\;Z:0001\\srv\\x.exe");
    EXPECT_EQ(Rewritten(L"\\Device\\Mup\\"), L"\\\\");
    // Too short for a prefix: left alone.
    EXPECT_EQ(Rewritten(L"\\Device\\Mup"), L"\\Device\\Mup");
}

TEST(DevicePathToDosPath, VolumesOfWinesDrives)
{
    // Wine maps C: and Z: to numbered volumes.
    std::wstring c = DeviceTarget(L"C:"), z = DeviceTarget(L"Z:");
    ASSERT_EQ(c.rfind(L"\\Device\\HarddiskVolume", 0), 0u) << c;
    ASSERT_EQ(z.rfind(L"\\Device\\HarddiskVolume", 0), 0u) << z;

    int result = -9;
    EXPECT_EQ(Rewritten(c + L"\\Windows\\notepad.exe", &result), L"C:\\Windows\\notepad.exe");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Rewritten(z + L"\\tmp\\a b.exe"), L"Z:\\tmp\\a b.exe");
    EXPECT_EQ(Rewritten(z), L"Z:");
    // Case does not matter in the volume name.
    std::wstring upper = c;
    CharUpperW(upper.data());
    EXPECT_EQ(Rewritten(upper + L"\\x.exe"), L"C:\\x.exe");
}

TEST(DevicePathToDosPath, UnmappedPathsStayAsTheyAre)
{
    int result = -9;
    EXPECT_EQ(Rewritten(L"\\Device\\HarddiskVolume99\\x.exe", &result), L"\\Device\\HarddiskVolume99\\x.exe");
    EXPECT_EQ(result, 0);
    // A volume whose name merely starts with a lettered one's name is another
    // volume (HarddiskVolume1 against HarddiskVolume12).
    std::wstring c = DeviceTarget(L"C:");
    EXPECT_EQ(Rewritten(c + L"2\\x.exe"), c + L"2\\x.exe");
    EXPECT_EQ(Rewritten(L"C:\\already\\dos.exe"), L"C:\\already\\dos.exe");
    EXPECT_EQ(Rewritten(L"", &result), L"");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(DevicePathToDosPath(nullptr), -1);
}

TEST(GetProcessImagePath, RealProcesses)
{
    int result = -9;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(_wcsicmp(ImagePath(GetCurrentProcessId(), &result).c_str(), self), 0);
    EXPECT_EQ(result, 0);

    Helper helper(L"--tag image");
    ASSERT_TRUE(helper.ready());
    EXPECT_EQ(_wcsicmp(ImagePath(helper.pid(), &result).c_str(), BinPath(L"vornel_testhelper.exe").c_str()), 0);
    EXPECT_EQ(result, 0);
    DWORD gone = helper.pid();
    helper.Kill();
    ASSERT_TRUE(WaitUntilProcessGone(gone));
    EXPECT_EQ(ImagePath(gone, &result), L"");
    EXPECT_NE(result, 0);

    EXPECT_EQ(ImagePath(0, &result), L"");
    EXPECT_NE(result, 0);
    EXPECT_EQ(GetProcessImagePath(GetCurrentProcessId(), nullptr), -1);
}

}  // namespace
