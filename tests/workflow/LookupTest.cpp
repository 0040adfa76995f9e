// Enter in the query box: the lookup through Excel, driven through the real window and checked
// against the Excel stand-in's call log.
#include <gtest/gtest.h>

#include "app/Controls.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::Gbk;
using testing_support::Utf8;
using Strings = std::vector<std::string>;

namespace {

std::string Settings(int queryColumn, const std::wstring& workbook) {
    return Gbk(L"[settings]\r\n查询列=" + std::to_wstring(queryColumn) + L"\r\n[DATA]\r\nDB=" + workbook + L"\r\n");
}

class LookupTest : public ::testing::Test {
protected:
    StandinScenario bartender{L"BarTender"};
    StandinScenario excel{L"Excel"};
    std::wstring lookupBook = FixturePath(L"lookup.xlsx");

    enum class Outcome { Found, NotFound, Nothing };
    friend void PrintTo(Outcome o, std::ostream* os) {
        *os << (o == Outcome::Found ? "found" : o == Outcome::NotFound ? "not found" : "nothing");
    }

    // The operator's way into the query box: Enter in the second spare box.
    static void FocusQueryBox(LabelPrintApp& app) {
        app.PostEnter(app::Spare2Box);
        EXPECT_TRUE(app.WaitForFocus(app::KeyBox));
    }

    // Types the key into the query box and presses Enter; waits for the focus to reach the quantity
    // box or for the not-found message, which it closes.
    Outcome LookUp(LabelPrintApp& app, const std::wstring& key) {
        FocusQueryBox(app);
        app.SetText(app::KeyBox, key);
        app.PostEnter(app::KeyBox);
        std::optional<MessageBoxInfo> box;
        WaitUntil([&] { return app.FocusId() == app::QuantityBox || (box = app.FindMessageBox()).has_value(); });
        if (!box) return app.FocusId() == app::QuantityBox ? Outcome::Found : Outcome::Nothing;
        EXPECT_EQ(box->text, L"查询ITEM不存在！");
        EXPECT_EQ(box->title, L"标签打印");
        EXPECT_TRUE(box->ok);
        EXPECT_FALSE(box->cancel);
        EXPECT_FALSE(box->icon);
        app.Answer(*box, IDOK);
        WaitUntil([&] { return !app.FindMessageBox(); });
        return Outcome::NotFound;
    }

    // Starts the program on the lookup workbook with the given query column.
    std::unique_ptr<LabelPrintApp> Start(int queryColumn, const std::wstring& workbook) {
        auto app = std::make_unique<LabelPrintApp>(L"lookup", Settings(queryColumn, workbook));
        EXPECT_TRUE(app->StartAndWaitForWindow());
        return app;
    }
};

TEST_F(LookupTest, ExcelThatIsNotRunningIsStartedUsedInOrderAndQuit) {
    auto app = Start(3, lookupBook);
    EXPECT_EQ(LookUp(*app, L"SPEC-X"), Outcome::Found);
    EXPECT_EQ(excel.Briefs(), (Strings{
                                  "Application.Workbooks()",
                                  "Workbooks.Open(BSTR:" + Utf8(lookupBook) + ")",
                                  "Application.Visible=(BOOL:false)",
                                  "Application.Sheets(I2:1)",
                                  "Worksheet.Name()",
                                  "Workbook.Worksheets(BSTR:清单)",
                                  "Worksheet.Select()",
                                  "Worksheet.Evaluate(BSTR:a65536)",
                                  "Range.End(I2:3)",
                                  "Range.Row()",
                                  "Worksheet.Evaluate(BSTR:a1)",
                                  "Range.Resize(I4:13,I2:20)",
                                  "Workbook.Close(BOOL:true)",
                                  "Application.Quit()",
                              }));
    for (const Call& call : excel.Calls()) EXPECT_EQ(call.hr, "0x00000000") << call.Brief();
}

TEST_F(LookupTest, TheOperatorsRunningExcelIsUsedButNeitherHiddenNorQuit) {
    OperatorExcel operatorExcel;
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    auto app = Start(3, lookupBook);
    EXPECT_EQ(LookUp(*app, L"SPEC-X"), Outcome::Found);
    EXPECT_EQ(excel.Briefs(), (Strings{
                                  "Application.Workbooks()",
                                  "Workbooks.Count()",  // the workbook is not open there yet
                                  "Workbooks.Open(BSTR:" + Utf8(lookupBook) + ")",
                                  "Application.Sheets(I2:1)",
                                  "Worksheet.Name()",
                                  "Workbook.Worksheets(BSTR:清单)",
                                  "Worksheet.Select()",
                                  "Worksheet.Evaluate(BSTR:a65536)",
                                  "Range.End(I2:3)",
                                  "Range.Row()",
                                  "Worksheet.Evaluate(BSTR:a1)",
                                  "Range.Resize(I4:13,I2:20)",
                                  "Workbook.Close(BOOL:true)",
                              }));
    EXPECT_FALSE(operatorExcel.Exited(0)) << "the operator's Excel keeps running";
}

TEST_F(LookupTest, KeysMatchTheWholeTextOfTheQueryColumnOnly) {
    auto app = Start(3, lookupBook);
    EXPECT_EQ(LookUp(*app, L"规格"), Outcome::Found) << "the header row is searched";
    EXPECT_EQ(LookUp(*app, L"After-NA"), Outcome::Found) << "an #N/A above does not stop the search";
    EXPECT_EQ(LookUp(*app, L"100"), Outcome::Found) << "a number matches its shortest text";
    EXPECT_EQ(LookUp(*app, L"100.0"), Outcome::NotFound);
    EXPECT_EQ(LookUp(*app, L"Tail-7 "), Outcome::Found);
    EXPECT_EQ(LookUp(*app, L"Tail-7"), Outcome::NotFound) << "no trimming";
    EXPECT_EQ(LookUp(*app, L"abc-6"), Outcome::NotFound) << "case counts";
    EXPECT_EQ(LookUp(*app, L"Below-Last"), Outcome::NotFound) << "rows below the last row of column A";
    EXPECT_EQ(LookUp(*app, L"A1002"), Outcome::NotFound) << "only the query column is searched";
}

TEST_F(LookupTest, QueryColumnsOutsideTheBlockNeverMatch) {
    for (int column : {0, 21}) {
        auto app = Start(column, lookupBook);
        EXPECT_EQ(LookUp(*app, L"规格"), Outcome::NotFound) << column;
        EXPECT_EQ(LookUp(*app, L""), Outcome::NotFound) << column;
    }
}

TEST_F(LookupTest, AnEmptyColumnASearchesOnlyTheFirstRow) {
    auto app = Start(3, FixturePath(L"empty-column-a.xlsx"));
    EXPECT_EQ(LookUp(*app, L"Only-C"), Outcome::NotFound);
    EXPECT_EQ(LookUp(*app, L"规格"), Outcome::Found);
    bool resized = false;
    for (const Call& call : excel.Calls()) resized |= call.Brief() == "Range.Resize(I4:2,I2:20)";
    EXPECT_TRUE(resized);
}

TEST_F(LookupTest, AMissingWorkbookShowsOnlyTheNotFoundMessage) {
    auto app = Start(3, L"Z:\\no\\such\\出货清单.xlsx");
    EXPECT_EQ(LookUp(*app, L"SPEC-X"), Outcome::NotFound);
    EXPECT_FALSE(WaitUntil([&] { return app->FindMessageBox().has_value(); }, 500)) << "no second message";
    EXPECT_EQ(app->FocusId(), app::KeyBox);
    Strings briefs = excel.Briefs();
    ASSERT_GE(briefs.size(), 2u);
    EXPECT_EQ(briefs.back(), "Application.Quit()") << "the Excel it started is quit all the same";
}

// A lookup that cannot copy the block must not search the copy an earlier lookup left.
TEST_F(LookupTest, AFailingWorkbookAfterASuccessfulLookupFindsNothing) {
    auto app = Start(3, lookupBook);
    EXPECT_EQ(LookUp(*app, L"SPEC-X"), Outcome::Found);
    excel.Set(L"OpenFails", 1);
    EXPECT_EQ(LookUp(*app, L"SPEC-X"), Outcome::NotFound);
    excel.Set(L"OpenFails", DWORD{0});
    excel.Set(L"ResizeFails", 1);
    EXPECT_EQ(LookUp(*app, L"SPEC-X"), Outcome::NotFound);
    excel.Set(L"ResizeFails", DWORD{0});
    EXPECT_EQ(LookUp(*app, L"SPEC-X"), Outcome::Found);
}

TEST_F(LookupTest, KeysOtherThanEnterDoNothing) {
    auto app = Start(3, lookupBook);
    FocusQueryBox(*app);
    app->PostKey(app::KeyBox, 'S');
    app->PostKey(app::KeyBox, VK_TAB);
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox));
    EXPECT_TRUE(WaitUntil([&] { return app->Text(app::KeyBox) == L"s"; }));
    EXPECT_FALSE(app->FindMessageBox().has_value());
    EXPECT_TRUE(excel.Calls().empty());
}

}  // namespace
