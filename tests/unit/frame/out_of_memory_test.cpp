// Memory that runs out at one allocation of a command, the 1st, the 2nd,
// ... in turn, first of its heap blocks, then of its C++ objects: the
// command ends with its failure result, or lists as many lines as with
// memory to spare (a field it could not read is left blank, a sort without
// room for its keys compares pair by pair). Never a crash, never success
// with lines lost.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "commands/enumprocesses/enumprocesses.h"
#include "commands/tasklist/tasklist.h"
#include "commands/varfuncs/varfuncs.h"
#include "console/console.h"
#include "frame/args.h"
#include "frame/owners.h"
#include "tests/support/capture.h"

extern "C" int WINAPI services(const wchar_t* args);

namespace {

// The allocation that is refused (from 1), how many were asked for, and
// whether they are the plug-in's heap blocks or C++ objects (operator new).
// Only what a command asks for while it runs counts.
long FailAt, Taken;
bool Counting, RefuseObjects;

bool Refuse(bool object)
{
    return Counting && object == RefuseObjects && ++Taken == FailAt;
}

}  // namespace

void* operator new(std::size_t bytes)
{
    void* block = Refuse(true) ? nullptr : std::malloc(bytes ? bytes : 1);
    if (!block)
        throw std::bad_alloc();
    return block;
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

void* RefuseOneBlock(std::size_t bytes, bool zeroed) noexcept
{
    return Refuse(false) ? nullptr : vornel::allocate_block(bytes, zeroed);
}

// A variable function's answer as the one line it writes.
std::function<int(std::wstring&)> Function(int(WINAPI* function)(wchar_t*), DWORD processId)
{
    return [=](std::wstring& out) {
        wchar_t buffer[MAX_ARG_LEN];
        wsprintfW(buffer, L"%u", processId);
        Counting = true;
        int result = function(buffer);
        Counting = false;
        out = buffer[0] ? std::wstring(buffer) + L"\n" : L"";
        return result;
    };
}

std::function<int(std::wstring&)> Command(int(WINAPI* command)(const wchar_t*), std::wstring args)
{
    return [=](std::wstring& out) {
        vornel::test::Capture capture;
        Counting = true;
        int result = command(args.c_str());
        Counting = false;
        out = capture.out();
        return result;
    };
}

}  // namespace

TEST(OutOfMemory, EachAllocationRefusedInTurn)
{
    const std::wstring self = std::to_wstring(GetCurrentProcessId());
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const struct {
        const wchar_t* what;
        std::function<int(std::wstring&)> run;
        std::vector<int> failures;
        bool mayAnswerNothing;  // a query that cannot be made answers empty
    } cases[] = {
        {L"tasklist", Command(tasklist, L"/O:-N /U /F /L /I services*|winedevice*|unit_tests*"), {2}, false},
        {L"tasklist tree", Command(tasklist, L"/R /O:N /T svchost*|winedevice*|plugplay*"), {2}, false},
        // A listing whose enumeration cannot be had fails: it never lists nothing as if it found nothing.
        {L"services", Command(services, L"/O:-S /F"), {2}, false},
        {L"services named", Command(services, L"/O:N plug*|eventlog winedevice*"), {2}, false},
        {L"enumprocesses", Command(enumprocesses, self + L" /W"), {2}, false},
        // The lookup of a name that cannot be made finds no process.
        {L"enumprocesses by path", Command(enumprocesses, path), {1, 2}, false},
        {L"@PIDEXENAME", Function(f_pidexename, GetCurrentProcessId()), {-1}, true},
    };
    const auto lines = [](const std::wstring& text) { return std::count(text.begin(), text.end(), L'\n'); };
    vornel::AllocateBlock = RefuseOneBlock;
    vornel::scope_exit restore([] { vornel::AllocateBlock = vornel::allocate_block; });
    for (const auto& c : cases) {
        std::wstring spared;
        FailAt = 0;
        const int result = c.run(spared);
        ASSERT_GT(lines(spared), 0) << c.what;
        for (bool objects : {false, true}) {
            RefuseObjects = objects;
            for (FailAt = 1, Taken = 0; FailAt < 1000; ++FailAt, Taken = 0) {
                std::wstring out;
                const int refused = c.run(out);
                SCOPED_TRACE(testing::Message() << c.what << (objects ? ", object " : ", block ") << FailAt);
                EXPECT_EQ(CtrlHandlerInstalled, 0);
                if (std::find(c.failures.begin(), c.failures.end(), refused) == c.failures.end()) {
                    EXPECT_EQ(refused, result);
                    if (!(c.mayAnswerNothing && out.empty())) {
                        EXPECT_EQ(lines(out), lines(spared)) << out;
                    }
                }
                if (Taken < FailAt)
                    break;  // nothing was refused: every allocation has been
            }
            if (!objects) {
                EXPECT_GT(FailAt, 1) << c.what;  // each row takes heap blocks
            }
            EXPECT_LT(FailAt, 1000) << c.what;
        }
    }
}
