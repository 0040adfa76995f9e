// The print button: BarTender's calls in order, the labels that come out, and every way a print can
// go wrong, driven through the real window.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Controls.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::Json;
using testing_support::TempDir;
using testing_support::Utf8;
using Strings = std::vector<std::string>;

namespace {

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override { bartender.Set(L"OutputFolder", out.path()); }

    // The program on the print workbook with a template, past a lookup of the key.
    std::unique_ptr<LabelPrintApp> StartAt(const std::wstring& key, const std::wstring& label,
                                           const std::wstring& printer = L"") {
        auto app = Start(
            L"print", Settings{.keyColumn = L"1", .workbook = printBook, .labelTemplate = label, .printer = printer});
        EXPECT_TRUE(app->FindItem(key)) << "the key was found";
        return app;
    }

    // Presses 打印 with a fresh call log.
    std::optional<MessageBoxInfo> Print(LabelPrintApp& app) {
        bartender.ClearLog();
        return app.Print();
    }

    BarTenderScenario bartender;
    StandinScenario excel{L"Excel"};
    TempDir out{L"printed"};
    std::wstring allFields = FixturePath(L"templates\\all-fields.btw");
    std::wstring printBook = FixturePath(L"print.xlsx");
};

TEST_F(PrintTest, APrintFillsTheTemplateFromTheFoundRowInOrderAndReportsDone) {
    auto app = Start(L"print", Settings{.keyColumn = L"1", .workbook = printBook, .labelTemplate = allFields});
    app->SetText(app::Spare1Box, L"备注一");
    app->SetText(app::Spare2Box, L"批次B");
    ASSERT_TRUE(app->FindItem(L"P-TEXT"));
    app->SetText(app::QuantityBox, L"3");
    EXPECT_FALSE(Print(*app).has_value());
    EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");

    Strings expected{"Application.Formats()", "Formats.Open(BSTR:" + Utf8(allFields) + ",BOOL:false,BSTR:)",
                     "Application.Visible=(BOOL:false)", "Format.SetNamedSubStringValue(BSTR:1,BSTR:P-TEXT)"};
    for (int n = 2; n <= 20; ++n)
        expected.push_back("Format.SetNamedSubStringValue(BSTR:" + std::to_string(n) + ",BSTR:文本" + std::to_string(n) + ")");
    expected.insert(expected.end(), {"Format.SetNamedSubStringValue(BSTR:beiyong2,BSTR:批次B)",
                                     "Format.SetNamedSubStringValue(BSTR:beiyong1,BSTR:备注一)",
                                     "Format.NumberSerializedLabels=(I4:1)", "Format.IdenticalCopiesOfLabel=(I4:3)",
                                     "Format.PrintOut(BOOL:false,BOOL:false)", "Format.Close(I4:1)"});
    EXPECT_EQ(bartender.Briefs(), expected);

    std::vector<Json> prints = bartender.Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0]["labels"].Integer(), 3);
    EXPECT_EQ(prints[0]["substrings"]["1"].text, "P-TEXT");
    EXPECT_EQ(prints[0]["substrings"]["20"].text, "文本20");
    EXPECT_EQ(prints[0]["substrings"]["beiyong1"].text, "备注一");
    EXPECT_EQ(prints[0]["substrings"]["beiyong2"].text, "批次B");
    ASSERT_EQ(prints[0]["images"].items.size(), 1u);
    EXPECT_TRUE(testing_support::Exists(out / testing_support::FromUtf8(prints[0]["images"].items[0].text)));
    EXPECT_TRUE(app->Enabled(app::PrintButton));
}

TEST_F(PrintTest, TheFirstMatchingRowIsPrintedAndTheHeaderRowCanBe) {
    auto app = Start(L"print",
                     Settings{.keyColumn = L"3", .workbook = FixturePath(L"lookup.xlsx"), .labelTemplate = allFields});
    ASSERT_TRUE(app->FindItem(L"SPEC-X"));
    Print(*app);
    ASSERT_TRUE(app->FindItem(L"规格"));
    Print(*app);
    std::vector<Json> prints = bartender.Prints();
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_EQ(prints[0]["substrings"]["1"].text, "A1005") << "rows 5 and 9 hold the key: row 5 wins";
    EXPECT_EQ(prints[0]["substrings"]["9"].text, "2024/3/5") << "a date as the system writes it";
    EXPECT_EQ(prints[0]["substrings"]["4"].text, "50.5");
    EXPECT_EQ(prints[1]["substrings"]["1"].text, "物料编码");
}

TEST_F(PrintTest, NumbersEmptyCellsAndErrorValuesOfTheFoundRow) {
    auto app = StartAt(L"P-5", allFields);
    Print(*app);
    std::vector<Json> prints = bartender.Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0]["substrings"]["2"].text, "5");
    EXPECT_EQ(prints[0]["substrings"]["3"].text, "");
    // An error value has no text: that one substring keeps the template's value, the rest go on.
    Strings calls = bartender.Briefs();
    EXPECT_EQ(
        std::count_if(calls.begin(), calls.end(), [](auto& c) { return c.find("(BSTR:4,") != std::string::npos; }), 0);
    EXPECT_EQ(prints[0]["substrings"]["5"].text, "p2-5");
    EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");
}

TEST_F(PrintTest, ATemplateWithSomeOfTheNamesGetsThoseAndPrints) {
    auto app = StartAt(L"P-TEXT", FixturePath(L"templates\\some-fields.btw"));
    app->SetText(app::Spare1Box, L"备注");
    app->SetText(app::QuantityBox, L"2");
    Print(*app);
    int failed = 0;
    for (const Call& call : bartender.Calls())
        failed += call.member == "SetNamedSubStringValue" && call.hr != "0x00000000";
    EXPECT_EQ(failed, 19) << "22 names sent, 3 defined";
    std::vector<Json> prints = bartender.Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0]["substrings"]["1"].text, "P-TEXT");
    EXPECT_EQ(prints[0]["substrings"]["3"].text, "文本3");
    EXPECT_EQ(prints[0]["substrings"]["beiyong1"].text, "备注");
    EXPECT_EQ(prints[0]["labels"].Integer(), 2);
    EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");
}

TEST_F(PrintTest, TheQuantityIsReadAsAWholeNumberOrLeftToTheTemplate) {
    auto app = StartAt(L"P-TEXT", allFields);
    // nullptr: the count is not set.
    for (auto [text, call] : {std::pair{L"3", "Format.IdenticalCopiesOfLabel=(I4:3)"},
                              std::pair{L"2.5", "Format.IdenticalCopiesOfLabel=(I4:2)"},  // halves to even
                              std::pair{L"letters", (const char*)nullptr}, std::pair{L"", (const char*)nullptr}}) {
        SCOPED_TRACE(Utf8(text));
        app->SetText(app::QuantityBox, text);
        Print(*app);
        Strings calls = bartender.Briefs();
        auto counts = std::count_if(calls.begin(), calls.end(),
                                    [](auto& c) { return c.starts_with("Format.IdenticalCopiesOfLabel"); });
        EXPECT_EQ(counts, call ? 1 : 0);
        if (call) {
            EXPECT_NE(std::find(calls.begin(), calls.end(), call), calls.end());
        }
        EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");
    }
}

TEST_F(PrintTest, TheConfiguredPrinterIsSetAndAnUnknownOneLeavesTheTemplates) {
    for (const std::wstring printer : {L"TSC TTP-244 Pro", L"No Such Printer", L""}) {
        SCOPED_TRACE(Utf8(printer));
        auto app = StartAt(L"P-TEXT", allFields, printer);
        std::size_t before = bartender.Prints().size();
        Print(*app);
        Strings calls = bartender.Briefs();
        bool setPrinter = std::find(calls.begin(), calls.end(), "Format.Printer=(BSTR:" + Utf8(printer) + ")") != calls.end();
        EXPECT_EQ(setPrinter, !printer.empty());
        std::vector<Json> prints = bartender.Prints();
        ASSERT_EQ(prints.size(), before + 1);
        if (printer == L"TSC TTP-244 Pro") {
            EXPECT_EQ(prints.back()["printer"].text, "TSC TTP-244 Pro");
        } else {
            EXPECT_NE(prints.back()["printer"].text, "No Such Printer");
        }
        EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");
    }
}

TEST_F(PrintTest, AMissingTemplateIsReportedAndNothingIsOpened) {
    for (const std::wstring& label :
         {std::wstring(), FixturePath(L"templates\\no-such-template.btw"), FixturePath(L"templates")}) {
        SCOPED_TRACE(Utf8(label));
        auto app = StartAt(L"P-TEXT", label);
        auto box = Print(*app);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->Summary(), L"标签打印: 没有模版文件 [OK]");
        EXPECT_TRUE(bartender.Calls().empty());
        EXPECT_EQ(app->Text(app::StatusLine), L"");
    }
}

// Printing a row number of an earlier match against a newer copy would put another item on the label.
TEST_F(PrintTest, OnlyAnItemTheLastLookupFoundIsPrinted) {
    auto app = Start(L"print", Settings{.keyColumn = L"1", .workbook = printBook, .labelTemplate = allFields});
    auto box = Print(*app);
    ASSERT_TRUE(box.has_value()) << "no lookup yet";
    EXPECT_EQ(box->text, L"查询ITEM不存在！");
    EXPECT_TRUE(bartender.Calls().empty());

    ASSERT_TRUE(app->FindItem(L"P-TEXT"));
    app->SetText(app::KeyBox, L"NO-SUCH-ITEM");
    app->PostEnter(app::KeyBox);
    auto notFound = app->WaitForMessageBox();
    ASSERT_TRUE(notFound.has_value());
    app->Close(*notFound);

    box = Print(*app);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"查询ITEM不存在！");
    EXPECT_TRUE(bartender.Calls().empty());
    EXPECT_TRUE(bartender.Prints().empty());
    EXPECT_TRUE(app->Enabled(app::PrintButton));
}

// A click on 打印 while a long list is being copied is handled when the lookup lets events run right
// after the copy. The row an earlier lookup found must not be taken out of the new copy then: in
// another list, or in the same one edited since, that row holds another item.
TEST_F(PrintTest, APrintDuringALookupNeverTakesTheOldRowFromTheNewList) {
    auto app = StartAt(L"P-TEXT", allFields);  // row 3 of the print workbook
    app->SetText(app::WorkbookBox, FixturePath(L"lookup.xlsx"));
    app->SetText(app::KeyBox, L"A1009");
    excel.Set(L"SlowAt", L"Range.Resize");
    excel.Set(L"SlowMs", DWORD{1500});
    excel.ClearLog();
    bartender.ClearLog();
    app->PostEnter(app::KeyBox);
    ASSERT_TRUE(WaitUntil([&] { return excel.Answered("Worksheet.Evaluate") == 2; })) << "the copy begins";
    app->PostClick(app::PrintButton);

    auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value()) << "row 3 of the new list would have been printed";
    EXPECT_EQ(box->text, L"查询ITEM不存在！");
    EXPECT_TRUE(bartender.Calls().empty());
    app->Close(*box);

    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox)) << "the lookup goes on and finds its item";
    excel.Set(L"SlowAt", L"");
    EXPECT_FALSE(Print(*app).has_value());
    std::vector<Json> prints = bartender.Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0]["substrings"]["1"].text, "A1009");
}

// After a good print the format of that print is closed: a template that then fails to open must not
// send the steps to it, which could print the previous labels again.
TEST_F(PrintTest, TheStatusLineSaysWhenNothingWasPrinted) {
    auto app = StartAt(L"P-TEXT", allFields);
    Print(*app);
    EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");

    bartender.Set(L"OpenFails", 1);
    Print(*app);
    EXPECT_EQ(app->Text(app::StatusLine), L"打印失败");
    EXPECT_EQ(bartender.Briefs().back().rfind("Formats.Open(", 0), 0u) << "nothing is sent after a failed open";
    EXPECT_EQ(bartender.Answered("Format.PrintOut"), 0u);
    EXPECT_EQ(bartender.Prints().size(), 1u);
    bartender.Set(L"OpenFails", DWORD{0});

    bartender.Set(L"PrintOutFails", 1);
    Print(*app);
    EXPECT_EQ(app->Text(app::StatusLine), L"打印失败");
    EXPECT_EQ(bartender.Briefs().back(), "Format.Close(I4:1)") << "the template is still closed";
    bartender.Set(L"PrintOutFails", DWORD{0});

    bartender.Set(L"DieInPrintOut", 1);
    Print(*app);
    EXPECT_EQ(app->Text(app::StatusLine), L"打印失败");
    EXPECT_TRUE(app->Running());
    EXPECT_EQ(bartender.Prints().size(), 1u);
}

// A second click that arrives while a print runs finds the button disabled and prints nothing more.
TEST_F(PrintTest, TwoClicksInARowPrintOnce) {
    auto app = StartAt(L"P-TEXT", allFields);
    bartender.ClearLog();
    app->PostClick(app::PrintButton);
    app->PostClick(app::PrintButton);
    ASSERT_TRUE(WaitUntil([&] { return app->Text(app::StatusLine) == L"打印完成" && app->Enabled(app::PrintButton); }));
    EXPECT_FALSE(WaitUntil([&] { return bartender.Answered("Format.PrintOut") > 1; }, 1500)) << "a second print";
    EXPECT_EQ(bartender.Answered("Format.PrintOut"), 1u);
    EXPECT_EQ(bartender.Prints().size(), 1u);
}

}  // namespace
