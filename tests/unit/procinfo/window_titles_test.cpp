// The window-title list built over real top-level windows of test helpers
// (windows need the X display the test run provides).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/owners.h"
#include "procinfo/procinfo.h"
#include "tests/support/process_runner.h"

using vornel::test::Helper;

namespace {

using TitleList = vornel::list_owner<WindowTitleInfo>;

void CollectAll(TitleList& list)
{
    list.reset();
    EnumWindows(CollectWindowTitle, reinterpret_cast<LPARAM>(list.addr()));
}

// The windows of one process in the order EnumWindows gives them.
std::vector<HWND> EnumerationOrder(DWORD processId)
{
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId)
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(CollectWindowTitle, RankDecidesWhichWindowIsKept)
{
    const struct {
        const wchar_t* windows;
        const wchar_t* title;  // nullptr: no record
        unsigned rank;
        size_t window;
    } cases[] = {
        // A hidden ordinary window outranks a visible dialog.
        {L"--window \"Visible dialog|#32770|1|0\" --window \"Hidden main|Main|0|0\"", L"Hidden main", 4, 1},
        // The application-window style outranks visibility.
        {L"--window \"Plain visible|Main|1|0\" --window \"App hidden|Main|0|0x40000\"", L"App hidden", 20, 1},
        {L"--window \"Ok|Main|0|0\"", L"Ok", 4, 0},  // a two-character title is enough
        // A one-character title never counts; nor does the "Default IME"
        // window Wine gives every GUI thread, excluded by its class alone.
        {L"--window \"X|Main|1|0x40000\"", nullptr},
        {L"--tag windowless", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.windows);
        Helper helper(c.windows);
        ASSERT_TRUE(helper.ready());
        TitleList list;
        CollectAll(list);
        const WindowTitleInfo* record = FindWindowTitle(list.get(), helper.pid());
        if (!c.title) {
            EXPECT_EQ(record, nullptr);
            bool sawIme = helper.windows().empty();
            for (HWND window : EnumerationOrder(helper.pid())) {
                wchar_t name[256] = {};
                RealGetWindowClassW(window, name, 256);
                sawIme |= std::wstring(name) == L"IME";
            }
            EXPECT_TRUE(sawIme) << "a GUI thread owns an IME window";
            continue;
        }
        ASSERT_NE(record, nullptr);
        EXPECT_STREQ(record->title, c.title);
        EXPECT_EQ(record->rank, c.rank);
        EXPECT_EQ(record->window, helper.windows()[c.window]);
    }
    EXPECT_EQ(FindWindowTitle(nullptr, GetCurrentProcessId()), nullptr);
    EXPECT_TRUE(CollectWindowTitle(GetDesktopWindow(), 0));  // no list: the enumeration goes on
}

TEST(CollectWindowTitle, EqualRanksFirstEnumeratedWins)
{
    // Hidden windows: the display driver may still restack visible ones
    // between the two enumerations.
    Helper helper(L"--window \"Twin one|Main|0|0\" --window \"Twin two|Main|0|0\"");
    ASSERT_TRUE(helper.ready());
    HWND first = nullptr;
    for (HWND window : EnumerationOrder(helper.pid())) {
        if (!first && (window == helper.windows()[0] || window == helper.windows()[1]))
            first = window;
    }
    ASSERT_NE(first, nullptr);
    TitleList list;
    CollectAll(list);
    const WindowTitleInfo* record = FindWindowTitle(list.get(), helper.pid());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->window, first);
    EXPECT_EQ(record->rank, 4u);
}

TEST(CollectWindowTitle, BetterWindowReplacesTheRecordInPlace)
{
    Helper a(L"--window \"A weak|#32770|0|0\" --window \"A strong|Main|1|0x40000\"");
    Helper b(L"--window \"B only|Main|0|0\"");
    Helper c(L"--window \"C only|Main|0|0\"");
    ASSERT_TRUE(a.ready() && b.ready() && c.ready());

    // Fed in this order the list is B, A, C and A's record is replaced.
    TitleList list;
    auto head = reinterpret_cast<LPARAM>(list.addr());
    CollectWindowTitle(b.windows()[0], head);
    CollectWindowTitle(a.windows()[0], head);
    CollectWindowTitle(c.windows()[0], head);
    EXPECT_EQ(FindWindowTitle(list.get(), a.pid())->rank, 0u);
    EXPECT_NE(CollectWindowTitle(a.windows()[1], head), FALSE);

    std::vector<std::wstring> forward, backward;
    const WindowTitleInfo* last = nullptr;
    for (const WindowTitleInfo* r = list.get(); r; r = r->next) {
        forward.push_back(r->title);
        last = r;
    }
    for (const WindowTitleInfo* r = last; r; r = r->previous)
        backward.push_back(r->title);
    EXPECT_EQ(forward, (std::vector<std::wstring>{L"B only", L"A strong", L"C only"}));
    EXPECT_EQ(backward, (std::vector<std::wstring>{L"C only", L"A strong", L"B only"}));
    EXPECT_EQ(FindWindowTitle(list.get(), a.pid())->rank, 21u);

    // A replaced head record leaves the owner's pointer on its successor.
    TitleList headFirst;
    auto head2 = reinterpret_cast<LPARAM>(headFirst.addr());
    for (HWND window : {a.windows()[0], b.windows()[0], a.windows()[1]})
        CollectWindowTitle(window, head2);
    ASSERT_NE(headFirst.get(), nullptr);
    EXPECT_STREQ(headFirst.get()->title, L"A strong");
    EXPECT_EQ(headFirst.get()->previous, nullptr);
    ASSERT_NE(headFirst.get()->next, nullptr);
    EXPECT_EQ(headFirst.get()->next->previous, headFirst.get());
    EXPECT_EQ(headFirst.get()->next->next, nullptr);
}

}  // namespace
