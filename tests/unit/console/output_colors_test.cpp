// The colour choice from the shell's normal attribute and the "Highlight"
// setting, the search for that setting, and the console check in front.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "console/console.h"

namespace {

struct Colors {
    int result;
    int normal, highlight, alt, reverseNormal, reverseHighlight, reverseAlt;
    bool operator==(const Colors&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Colors& c)
{
    return out << std::hex << "{" << c.result << ": " << c.normal << " " << c.highlight << " " << c.alt << " "
               << c.reverseNormal << " " << c.reverseHighlight << " " << c.reverseAlt << "}";
}

Colors Current(int result)
{
    return {result, NormalColor, HighlightColor, AltColor, ReverseNormalColor, ReverseHighlightColor, ReverseAltColor};
}

Colors Choose(unsigned normal, const wchar_t* setting)
{
    // Start from a full state so that a refused setting must clear it.
    ChooseOutputColors(0x1F, nullptr);
    return Current(ChooseOutputColors(normal, setting));
}

const Colors OFF = {0, 0, 0, 0, 0, 0, 0};

TEST(ChooseOutputColors, WithoutSetting)
{
    // Dim colours: the same colour made bright; the second highlight avoids it.
    EXPECT_EQ(Choose(0x07, nullptr), (Colors{0x0F, 0x07, 0x0F, 0x0E, 0x70, 0xF0, 0xE0}));
    EXPECT_EQ(Choose(0x17, nullptr), (Colors{0x1F, 0x17, 0x1F, 0x1B, 0x71, 0xF1, 0xB1}));
    // Bright white on blue: table A gives the normal colour back, so table
    // B; the second highlight then falls through to table C.
    EXPECT_EQ(Choose(0x1F, nullptr), (Colors{0x1B, 0x1F, 0x1B, 0x16, 0xF1, 0xB1, 0x61}));
    // Black text cannot be brightened into a highlight.
    EXPECT_EQ(Choose(0x70, nullptr), (Colors{0x79, 0x70, 0x79, 0x74, 0x07, 0x97, 0x47}));
    EXPECT_EQ(Choose(0x8F, nullptr), (Colors{0x8B, 0x8F, 0x8B, 0x80, 0xF8, 0xB8, 0x08}));
    EXPECT_EQ(Choose(0xA0, nullptr), (Colors{0xA9, 0xA0, 0xA9, 0xAF, 0x0A, 0x9A, 0xFA}));
    EXPECT_EQ(Choose(0x07, L""), Choose(0x07, nullptr));
    // Only the low eight bits of the attribute count.
    EXPECT_EQ(Choose(0x4007, nullptr), Choose(0x07, nullptr));
}

TEST(ChooseOutputColors, SameForegroundAndBackgroundTurnsColoursOff)
{
    EXPECT_EQ(Choose(0x00, nullptr), OFF);
    EXPECT_EQ(Choose(0x77, nullptr), OFF);
    EXPECT_EQ(Choose(0x44, L"0x1e"), OFF);
}

TEST(ChooseOutputColors, Settings)
{
    const struct {
        unsigned normal;
        const wchar_t* setting;
        int highlight;  // 0: colour output off
    } cases[] = {
        {0x07, L"inv", 0x70},
        {0x07, L"INVerse", 0x70},
        {0x1E, L"inv", 0x61},
        {0x0F, L"inv", 0x70},  // the background loses the intensity bit
        {0x07, L"0x1e", 0x1E},
        {0x07, L"0X1E", 0x1E},
        {0x07, L"0x0e", 0x0E},
        {0x07, L"0x07", 0},  // the normal pair itself
        {0x07, L"0x11", 0},  // invisible text
        {0x07, L"0x1g", 0},
        {0x07, L"0x1e ", 0},
        {0x07, L"0x", 0},
        {0x07, L"bright yellow on blue", 0x1E},
        {0x07, L"Bright White on Black", 0x0F},
        {0x17, L"red", 0x14},  // a foreground alone goes on the normal background
        {0x07, L"bright red", 0x0C},
        {0x07, L"white", 0},  // the normal foreground
        {0x07, L"black", 0},  // the normal background
        {0x07, L"white on black", 0},
        {0x07, L"purple", 0},
        {0x07, L"yellow on", 0},
    };
    for (const auto& c : cases) {
        Colors got = Choose(c.normal, c.setting);
        EXPECT_EQ(got.result, c.highlight) << c.setting << " on " << std::hex << c.normal;
        if (c.highlight == 0) {
            EXPECT_EQ(got, OFF) << c.setting;
        } else {
            EXPECT_EQ(got.normal, (int)c.normal) << c.setting;
            EXPECT_EQ(got.highlight, c.highlight) << c.setting;
            EXPECT_EQ(got.reverseHighlight, ((c.highlight & 15) << 4) | (c.highlight >> 4)) << c.setting;
            EXPECT_NE(got.alt, got.normal) << c.setting;
            EXPECT_NE(got.alt, got.highlight) << c.setting;
            EXPECT_EQ(got.alt >> 4, (int)(c.normal >> 4)) << c.setting;
        }
    }
}

TEST(ChooseOutputColors, SecondHighlightAvoidsBothColours)
{
    // Table A is the normal colour and table B the highlight: table C.
    EXPECT_EQ(Choose(0x0F, L"0x0e"), (Colors{0x0E, 0x0F, 0x0E, 0x0B, 0xF0, 0xE0, 0xB0}));
    EXPECT_EQ(Choose(0x07, L"0x0f").alt, 0x0E);
    EXPECT_EQ(Choose(0x07, L"0x0b").alt, 0x0F);
}

// Writes test values of "Highlight" into the four registry places and
// removes them (and any key it had to create) afterwards.
class HighlightRegistry : public testing::Test {
protected:
    struct Place {
        HKEY root;
        const wchar_t* key;
    };
    inline static const Place CU_OWN = {HKEY_CURRENT_USER, L"SOFTWARE\\BrelmPlugins\\Vornel"};
    inline static const Place LM_OWN = {HKEY_LOCAL_MACHINE, L"SOFTWARE\\BrelmPlugins\\Vornel"};
    inline static const Place CU_BASE = {HKEY_CURRENT_USER, L"SOFTWARE\\BrelmPlugins"};
    inline static const Place LM_BASE = {HKEY_LOCAL_MACHINE, L"SOFTWARE\\BrelmPlugins"};

    void SetUp() override
    {
        SetEnvironmentVariableW(L"Highlight", nullptr);
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(root, L"SOFTWARE\\BrelmPlugins", 0, KEY_READ, &key) == ERROR_SUCCESS) {
                RegCloseKey(key);
                GTEST_SKIP() << "the test prefix already holds SOFTWARE\\BrelmPlugins";
            }
        }
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"Highlight", nullptr);
        for (HKEY root : created_) {
            RegDeleteTreeW(root, L"SOFTWARE\\BrelmPlugins");
            RegDeleteKeyW(root, L"SOFTWARE\\BrelmPlugins");
        }
    }

    void Write(const Place& place, DWORD type, const void* data, DWORD bytes)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(place.root, place.key, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (std::find(created_.begin(), created_.end(), place.root) == created_.end())
            created_.push_back(place.root);
        EXPECT_EQ(RegSetValueExW(key, L"Highlight", 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    void WriteText(const Place& place, const std::wstring& text, DWORD type = REG_SZ)
    {
        Write(place, type, text.c_str(), (DWORD)((text.size() + 1) * sizeof(wchar_t)));
    }

    std::wstring Found()
    {
        auto text = std::make_unique<wchar_t[]>(HIGHLIGHT_SETTING_SIZE);
        int found = FindHighlightSetting(text.get());
        EXPECT_EQ(found, text[0] != L'\0');
        return found ? text.get() : L"(none)";
    }

    std::vector<HKEY> created_;
};

TEST_F(HighlightRegistry, FirstFoundWinsFromEnvironmentToMachineKey)
{
    EXPECT_EQ(Found(), L"(none)");
    WriteText(LM_BASE, L"lm base");
    EXPECT_EQ(Found(), L"lm base");
    WriteText(CU_BASE, L"cu base");
    EXPECT_EQ(Found(), L"cu base");
    WriteText(LM_OWN, L"lm own");
    EXPECT_EQ(Found(), L"lm own");
    WriteText(CU_OWN, L"cu own");
    EXPECT_EQ(Found(), L"cu own");
    SetEnvironmentVariableW(L"Highlight", L"from environment");
    EXPECT_EQ(Found(), L"from environment");
    // A setting too long for the text counts as absent.
    SetEnvironmentVariableW(L"Highlight", std::wstring(1025, L'e').c_str());
    EXPECT_EQ(Found(), L"cu own");
    SetEnvironmentVariableW(L"Highlight", std::wstring(1024, L'e').c_str());
    EXPECT_EQ(Found(), std::wstring(1024, L'e'));
}

TEST_F(HighlightRegistry, UnusableValuesCountAsAbsent)
{
    WriteText(LM_BASE, L"lm base");
    const DWORD number = 0x1E;
    Write(CU_OWN, REG_DWORD, &number, sizeof number);
    WriteText(LM_OWN, L"");
    WriteText(CU_BASE, L"0x1e", REG_EXPAND_SZ);
    EXPECT_EQ(Found(), L"lm base");

    // 2048 bytes are the limit, terminator included.
    WriteText(CU_BASE, std::wstring(1024, L'x'));
    EXPECT_EQ(Found(), L"lm base");
    WriteText(CU_BASE, std::wstring(1023, L'x'));
    EXPECT_EQ(Found(), std::wstring(1023, L'x'));
    // A value stored without its terminator still reads as a text.
    Write(CU_BASE, REG_SZ, L"0x1eXX", 4 * sizeof(wchar_t));
    EXPECT_EQ(Found(), L"0x1e");
}

TEST(InitOutputOptions, NoColoursWithoutConsoleOrWhenRefused)
{
    SetEnvironmentVariableW(L"Highlight", L"0x1e");
    ChooseOutputColors(0x07, nullptr);
    EXPECT_EQ(InitOutputOptions(1), 0);
    EXPECT_EQ(Current(0), OFF);
    DWORD mode;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
        // Redirected output: plain text whatever the setting says.
        ChooseOutputColors(0x07, nullptr);
        EXPECT_EQ(InitOutputOptions(0), 0);
        EXPECT_EQ(Current(0), OFF);
    }
    SetEnvironmentVariableW(L"Highlight", nullptr);
}

}  // namespace
