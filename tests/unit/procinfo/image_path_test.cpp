// Device paths to drive letters and UNC names, with the volumes Wine
// really reports, and the image path of this program.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "frame/plugin.h"
#include "procinfo/procinfo.h"

namespace {

std::wstring DeviceTarget(const wchar_t* drive)
{
    wchar_t target[1024] = {};
    QueryDosDeviceW(drive, target, 1024);
    return target;
}

TEST(DevicePathToDosPath, NetworkFormsVolumesAndUnmappedPaths)
{
    // Wine maps C: and Z: to numbered volumes.
    std::wstring c = DeviceTarget(L"C:"), z = DeviceTarget(L"Z:"), upperC = c;
    ASSERT_EQ(c.rfind(L"\\Device\\HarddiskVolume", 0), 0u) << c;
    ASSERT_EQ(z.rfind(L"\\Device\\HarddiskVolume", 0), 0u) << z;
    CharUpperW(upperC.data());
    const struct {
        std::wstring device, dos;
    } cases[] = {
        {L"\\device\\mup\\srv\\share\\x.exe", L"\\\\srv\\share\\x.exe"},
        {L"\\Device\\Mup\\srv\\share\\x.exe", L"\\\\srv\\share\\x.exe"},
        {L"\\Device\\LanmanRedirector\\srv\\share\\x.exe", L"\\\\srv\\share\\x.exe"},
        {L"\\DEVICE\\LANMANREDIRECTOR\\;Z:0001\\srv\\x.exe", L"\\\\;Z:0001\\srv\\x.exe"},
        {L"\\Device\\Mup\\", L"\\\\"},
        {L"\\Device\\Mup", L"\\Device\\Mup"},  // too short for a prefix
        {c + L"\\Windows\\notepad.exe", L"C:\\Windows\\notepad.exe"},
        {z + L"\\tmp\\a b.exe", L"Z:\\tmp\\a b.exe"},
        {z, L"Z:"},
        {upperC + L"\\x.exe", L"C:\\x.exe"},  // case does not matter in the volume name
        {L"\\Device\\HarddiskVolume99\\x.exe", L"\\Device\\HarddiskVolume99\\x.exe"},
        // HarddiskVolume12 is not HarddiskVolume1 with a "2" in front of the path.
        {c + L"2\\x.exe", c + L"2\\x.exe"},
        {L"C:\\already\\dos.exe", L"C:\\already\\dos.exe"},
        {L"", L""},
    };
    auto buffer = std::make_unique<wchar_t[]>(PATH_BUFFER_SIZE);
    for (const auto& t : cases) {
        wcscpy(buffer.get(), t.device.c_str());
        EXPECT_EQ(DevicePathToDosPath(buffer.get()), 0) << t.device;
        EXPECT_EQ(buffer.get(), t.dos) << t.device;
    }
    EXPECT_EQ(DevicePathToDosPath(nullptr), -1);
}

TEST(GetProcessImagePath, OwnProcessAndNone)
{
    auto buffer = std::make_unique<wchar_t[]>(PATH_BUFFER_SIZE);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(GetProcessImagePath(GetCurrentProcessId(), buffer.get()), 0);
    EXPECT_EQ(_wcsicmp(buffer.get(), self), 0);
    wcscpy(buffer.get(), L"stale");
    EXPECT_NE(GetProcessImagePath(0, buffer.get()), 0);
    EXPECT_STREQ(buffer.get(), L"");
    EXPECT_EQ(GetProcessImagePath(GetCurrentProcessId(), nullptr), -1);
}

}  // namespace
