// The CSV and JSON forms: each kind of value and of foreign text in both,
// a tree with nested lists, Ctrl-C, calls out of order, and the /FO switch.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "console/console.h"
#include "console/forms.h"
#include "frame/args.h"
#include "tests/support/capture.h"

using vornel::test::Capture;

namespace {

const wchar_t* const Items[] = {L"a,b", nullptr, L"c\"\t"};
const wchar_t* const Name[] = {L"v"};

// One record of one field: the CSV field (null: left to the mask's own
// rows) and the JSON value.
TEST(FormWriter, EachValueInBothForms)
{
    const struct {
        FormField field;
        const wchar_t *csv, *json;
    } cases[] = {
        {TextField(L"v", L"say \"hi\", go"), L"\"say \"\"hi\"\", go\"", L"\"say \\\"hi\\\", go\""},
        {TextField(L"v", L"a\r\nb\x1b[31m\x85/"), L"a??b?[31m?/", L"\"a\\u000D\\u000Ab\\u001B[31m\\u0085/\""},
        {TextField(L"v", L"C:\\x \U0001F600 \x540D\x524D"), L"C:\\x \U0001F600 \x540D\x524D",
         L"\"C:\\\\x \U0001F600 \x540D\x524D\""},
        {TextField(L"v", L"\xD800 \xDC00 \xD83D"), L"\xD800 \xDC00 \xD83D", L"\"\\uD800 \\uDC00 \\uD83D\""},
        {TextField(L"v", L"evil\x202Etxt\x2066\x2028\x2029\x200F\x05D0"), nullptr,
         L"\"evil\\u202Etxt\\u2066\\u2028\\u2029\x200F\x05D0\""},
        {TextField(L"v", nullptr), L"", L"null"},
        {TextField(L"v", L""), L"", L"\"\""},
        {IntegerField(L"v", -9223372036854775807LL - 1), L"-9223372036854775808", L"-9223372036854775808"},
        {IntegerField(L"v", 1LL << 40), L"1099511627776", L"1099511627776"},
        {BooleanField(L"v", false), L"false", L"false"},
        {ListField(L"v", Items), L"\"a,b; ; c\"\"?\"", L"[\"a,b\", \"\", \"c\\\"\\u0009\"]"},
        {ListField(L"v", {}), L"", L"[]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        for (OutputForm form : {OutputForm::Csv, OutputForm::Json}) {
            if (form == OutputForm::Csv && !c.csv)
                continue;
            Capture capture;
            FormWriter writer(form, false);
            EXPECT_EQ(writer.Begin(Name), 0);
            EXPECT_EQ(writer.Record({&c.field, 1}), 0);
            EXPECT_EQ(writer.Finish(), 0);
            EXPECT_EQ(capture.out(), form == OutputForm::Csv ? c.csv + std::wstring(L"\r\n")
                                                             : L"[\r\n  {\"v\": " + std::wstring(c.json) + L"}\r\n]\r\n");
        }
    }
}

// A process with threads and two children, one with a child of its own,
// walked the same way for both forms.
std::wstring WriteTree(OutputForm form, bool header)
{
    static const wchar_t* const columns[] = {L"PID", L"Name"};
    auto node = [](LONGLONG pid, const wchar_t* name) { return std::array{IntegerField(L"PID", pid), TextField(L"Name", name)}; };
    Capture capture;
    FormWriter w(form, header);
    const auto root = node(4, L"init"), a = node(8, L"a"), b = node(9, L"b"), c = node(12, L"c");
    // A braced list runs the calls in order.
    for (int result : {w.Begin(columns), w.OpenRecord(root), w.OpenList(L"children"), w.Record(a), w.OpenRecord(b),
                       w.OpenList(L"children"), w.Record(c), w.CloseList(), w.OpenList(L"threads"), w.CloseList(),
                       w.CloseRecord(), w.CloseList(), w.CloseRecord(), w.Record(a), w.Finish()})
        EXPECT_EQ(result, 0);
    return capture.out();
}

TEST(FormWriter, NestedListsAndTheirFlatCsvRows)
{
    EXPECT_EQ(WriteTree(OutputForm::Json, false),
              L"[\r\n  {\"PID\": 4, \"Name\": \"init\", \"children\": [\r\n    {\"PID\": 8, \"Name\": \"a\"},\r\n"
              L"    {\"PID\": 9, \"Name\": \"b\", \"children\": [\r\n      {\"PID\": 12, \"Name\": \"c\"}\r\n"
              L"    ], \"threads\": []}\r\n  ]},\r\n  {\"PID\": 8, \"Name\": \"a\"}\r\n]\r\n");
    EXPECT_EQ(WriteTree(OutputForm::Csv, true), L"PID,Name\r\n4,init\r\n8,a\r\n9,b\r\n12,c\r\n8,a\r\n");
    EXPECT_EQ(WriteTree(OutputForm::Csv, false), L"4,init\r\n8,a\r\n9,b\r\n12,c\r\n8,a\r\n");
}

// What stops or fails a listing ends it for good, and a stopped JSON document is left
// unclosed, so no reader takes it for a whole one.
TEST(FormWriter, CtrlCMemoryAndCallsOutOfOrderEndTheListing)
{
    const FormField pid = IntegerField(L"PID", 4), other = IntegerField(L"ID", 4);
    Capture capture;
    FormWriter json(OutputForm::Json, false);
    EXPECT_EQ(json.Begin({}), 0);
    EXPECT_EQ(json.OpenRecord({&pid, 1}), 0);
    CtrlCSeen = 1;
    EXPECT_EQ(json.OpenList(L"threads"), 0);
    EXPECT_EQ(json.Record({&pid, 1}), STOPPED);
    CtrlCSeen = 0;
    EXPECT_EQ(json.CloseList(), STOPPED);
    EXPECT_EQ(json.Finish(), STOPPED);
    EXPECT_EQ(capture.out(), L"[\r\n  {\"PID\": 4, \"threads\": [\r\n    {\"PID\": 4");

    const wchar_t* const columns[] = {L"PID"};
    FormWriter csv(OutputForm::Csv, true), early(OutputForm::Csv, true);
    EXPECT_EQ(csv.Begin(columns), 0);
    EXPECT_EQ(csv.Record({&pid, 1}), 0);
    EXPECT_EQ(csv.Record({&other, 1}), -1);
    EXPECT_EQ(csv.Record({&pid, 1}), -1);
    EXPECT_EQ(early.Record({&pid, 1}), -1);
    // Memory that runs out: nothing of the record is written.
    capture.clear();
    vornel::AllocateBlock = [](std::size_t, bool) noexcept -> void* { return nullptr; };
    FormWriter starved(OutputForm::Csv, true);
    EXPECT_EQ(starved.Begin(columns), 0);
    EXPECT_EQ(starved.Record({&pid, 1}), -2);
    vornel::AllocateBlock = vornel::allocate_block;
    EXPECT_EQ(capture.out(), L"");
    FormWriter unbalanced(OutputForm::Json, true);
    EXPECT_EQ(unbalanced.Begin({}), 0);
    EXPECT_EQ(unbalanced.OpenRecord({}), 0);
    EXPECT_EQ(unbalanced.Finish(), -1);
}

TEST(ReadFormSwitch, ValuesInAnyCaseAndBadOnes)
{
    const struct {
        const wchar_t* word;
        int form;  // -1: refused with the quoted value
        const wchar_t* value;
    } cases[] = {
        {L"/FO:CSV", (int)OutputForm::Csv}, {L"/fo=json", (int)OutputForm::Json}, {L"/FO:Json", (int)OutputForm::Json},
        {L"/FOCSV", (int)OutputForm::Csv},  {L"/FO", -1, L""},                    {L"/FO:", -1, L""},
        {L"/FO:XML", -1, L"XML"},           {L"/fo:csv2", -1, L"csv2"},           {L"/FO::CSV", -1, L":CSV"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        Capture capture;
        OutputForm form = OutputForm::Table;
        EXPECT_EQ(ReadFormSwitch(c.word, &form), c.form < 0 ? 1 : SWITCH_TAKEN);
        EXPECT_EQ((int)form, c.form < 0 ? (int)OutputForm::Table : c.form);
        EXPECT_EQ(capture.err(), c.form < 0 ? L"Vornel plugin: Bad value: \"" + std::wstring(c.value) + L"\"\r\n" : L"");
    }
}

}  // namespace
