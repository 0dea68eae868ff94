// A failed enumeration: nothing could be listed, started or stopped, and
// the command says why and fails, a plain listing as well as a request. The
// system's enumeration cannot be made to fail, so a stand-in takes its place.
#include <gtest/gtest.h>

#include <string>

#include "commands/services/services.h"
#include "frame/args.h"
#include "frame/errors.h"
#include "frame/owners.h"
#include "tests/support/capture.h"

extern "C" int WINAPI services(const wchar_t* args);

namespace {

// What the stand-in answers the size query (ERROR_MORE_DATA with `Needed`
// lets the command go on) and the call that fills the buffer.
DWORD SizeError, Needed, FillError;

BOOL WINAPI FailingEnumeration(SC_HANDLE, SC_ENUM_TYPE, DWORD, DWORD, BYTE* buffer, DWORD, DWORD* needed,
                               DWORD* count, DWORD*, const wchar_t*)
{
    *needed = Needed;
    *count = 0;
    SetLastError(buffer ? FillError : SizeError);
    return FALSE;
}

}  // namespace

TEST(ServicesCommand, ReportsAFailedEnumeration)
{
    const struct {
        DWORD sizeError, needed, fillError, reported;
    } cases[] = {
        {ERROR_ACCESS_DENIED, 0, 0, ERROR_ACCESS_DENIED},
        {ERROR_MORE_DATA, 4000, ERROR_MORE_DATA, ERROR_MORE_DATA},  // grown past the spare room
        {ERROR_MORE_DATA, MAXDWORD - 100, 0, ERROR_NOT_ENOUGH_MEMORY},
    };
    vornel::scope_exit restore([] { EnumerateServices = EnumServicesStatusExW; });
    EnumerateServices = FailingEnumeration;
    for (const auto& c : cases) {
        SizeError = c.sizeError, Needed = c.needed, FillError = c.fillError;
        wchar_t reason[MESSAGE_SIZE];
        FormatSystemMessage(c.reported, reason);
        const std::wstring message = L"Vornel plugin: Cannot list the services: " + std::wstring(reason) +
                                     L" (error " + std::to_wstring(c.reported) + L")\r\n";
        for (const wchar_t* args : {L"/R VsvAny", L"/S /I:4 VsvAny", L"VsvAny"}) {
            vornel::test::Capture capture;
            EXPECT_EQ(services(args), 2) << args << L" " << c.reported;
            EXPECT_EQ(capture.err(), message) << args;
            EXPECT_EQ(capture.out(), L"") << args;
        }
    }
}
