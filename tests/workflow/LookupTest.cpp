// Enter in the query box: the lookup through Excel, driven through the real window and checked
// against the Excel stand-in's call log.
#include <gtest/gtest.h>

#include "app/Controls.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"
#include "win/ComApartment.h"
#include "win/Dispatch.h"
#include "win/ObjectCreation.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::Utf8;
using Strings = std::vector<std::string>;

namespace {

class LookupTest : public ::testing::Test {
protected:
    StandinScenario bartender{L"BarTender"};
    StandinScenario excel{L"Excel"};
    std::wstring lookupBook = FixturePath(L"lookup.xlsx");

    enum class Outcome { Found, NotFound, Nothing };
    friend void PrintTo(Outcome o, std::ostream* os) {
        *os << (o == Outcome::Found ? "found" : o == Outcome::NotFound ? "not found" : "nothing");
    }

    // The operator's way to a lookup; waits for the focus to reach the quantity box or for the
    // not-found message, which it closes.
    static Outcome LookUp(LabelPrintApp& app, const std::wstring& key) {
        app.EnterKey(key);
        std::optional<MessageBoxInfo> box;
        WaitUntil([&] { return app.FocusId() == app::QuantityBox || (box = app.FindMessageBox()).has_value(); });
        if (!box) return app.FocusId() == app::QuantityBox ? Outcome::Found : Outcome::Nothing;
        EXPECT_EQ(box->Summary(), L"标签打印: 查询ITEM不存在！ [OK]");
        app.Close(*box);
        return Outcome::NotFound;
    }

    static std::unique_ptr<LabelPrintApp> StartOn(const std::wstring& workbook, int keyColumn = 3) {
        return Start(L"lookup", Settings{.keyColumn = std::to_wstring(keyColumn), .workbook = workbook});
    }

    // The calls of a lookup of lookup.xlsx in an Excel the lookup started, or in the operator's.
    Strings LookupCalls(bool operatorsExcel) const {
        Strings calls;
        // Only an Excel of the program's own says which process it is and gets settings: no questions
        // nobody could answer, no macros run by opening the list.
        if (!operatorsExcel)
            calls = {"Application.Hwnd()", "Application.DisplayAlerts=(BOOL:false)",
                     "Application.AutomationSecurity=(I4:3)"};
        calls.push_back("Application.Workbooks()");
        if (operatorsExcel) calls.push_back("Workbooks.Count()");  // the workbook is not open there yet
        // Read-only, and links neither updated nor asked about: a lookup only reads the list.
        calls.push_back("Workbooks.Open(BSTR:" + Utf8(lookupBook) + ",I2:0,BOOL:true)");
        if (!operatorsExcel) calls.push_back("Application.Visible=(BOOL:false)");
        calls.insert(calls.end(), {"Application.Sheets(I2:1)", "Worksheet.Name()", "Workbook.Worksheets(BSTR:清单)",
                                   "Worksheet.Select()", "Worksheet.Evaluate(BSTR:a65536)", "Range.End(I2:3)",
                                   "Range.Row()", "Worksheet.Evaluate(BSTR:a1)", "Range.Resize(I4:13,I2:20)",
                                   "Range.Value()", "Range.HasFormula()", "Workbook.Close(BOOL:false)"});
        if (!operatorsExcel) calls.push_back("Application.Quit()");
        return calls;
    }
};

TEST_F(LookupTest, ExcelThatIsNotRunningIsStartedUsedInOrderAndQuit) {
    auto app = StartOn(lookupBook);
    EXPECT_EQ(LookUp(*app, L"SPEC-X"), Outcome::Found);
    EXPECT_EQ(excel.Briefs(), LookupCalls(false));
    for (const Call& call : excel.Calls()) EXPECT_EQ(call.hr, "0x00000000") << call.Brief();
}

TEST_F(LookupTest, TheOperatorsRunningExcelIsUsedButNeitherHiddenNorQuit) {
    OperatorExcel operatorExcel;
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    auto app = StartOn(lookupBook);
    EXPECT_EQ(LookUp(*app, L"SPEC-X"), Outcome::Found);
    EXPECT_EQ(excel.Briefs(), LookupCalls(true));
    EXPECT_FALSE(operatorExcel.Exited(0)) << "the operator's Excel keeps running";
}

// How a cell's value compares with the key is the cell comparison's own test; here, which cells of the
// copied block are searched.
TEST_F(LookupTest, TheQueryColumnIsSearchedFromTheHeaderRowToTheLastRow) {
    auto app = StartOn(lookupBook);
    EXPECT_EQ(LookUp(*app, L"规格"), Outcome::Found) << "the header row is searched";
    EXPECT_EQ(LookUp(*app, L"After-NA"), Outcome::Found) << "an #N/A above does not stop the search";
    EXPECT_EQ(LookUp(*app, L"Below-Last"), Outcome::NotFound) << "rows below the last row of column A";
    EXPECT_EQ(LookUp(*app, L""), Outcome::NotFound) << "the copy's empty row below the last row";
    EXPECT_EQ(LookUp(*app, L"A1002"), Outcome::NotFound) << "only the query column is searched";
}

TEST_F(LookupTest, QueryColumnsOutsideTheBlockNeverMatch) {
    for (int column : {0, 21}) {
        auto app = StartOn(lookupBook, column);
        EXPECT_EQ(LookUp(*app, L"规格"), Outcome::NotFound) << column;
        EXPECT_EQ(LookUp(*app, L""), Outcome::NotFound) << column;
    }
}

// The copied block holds one row more than the last row of column A; that row is not searched.
TEST_F(LookupTest, TheRowsSearchedEndAtTheLastRowOfColumnA) {
    struct Case {
        const wchar_t* workbook;
        const char* resize;
        const wchar_t *inside, *below;
    };
    for (const Case& c : {Case{L"next-row.xlsx", "Range.Resize(I4:4,I2:20)", L"Last-Row", L"Next-Row"},
                          // Column A empty: only row 1; the empty key would find the empty C2.
                          Case{L"empty-column-a.xlsx", "Range.Resize(I4:2,I2:20)", L"规格", L""}}) {
        SCOPED_TRACE(Utf8(c.workbook));
        auto app = StartOn(FixturePath(c.workbook));
        EXPECT_EQ(LookUp(*app, c.below), Outcome::NotFound);
        EXPECT_EQ(LookUp(*app, c.inside), Outcome::Found);
        Strings briefs = excel.Briefs();
        EXPECT_NE(std::find(briefs.begin(), briefs.end(), c.resize), briefs.end());
    }
}

// A lookup that never read the list says why, in place of claiming that the item is missing; and no
// print follows it (the copy an earlier lookup left may come from another workbook).
TEST_F(LookupTest, ALookupThatCouldNotReadTheListSaysWhy) {
    const std::wstring missing = L"Z:\\no\\such\\出货清单.xlsx";
    const std::wstring broken = FixturePath(L"hostile\\corrupt-not-a-zip.xlsx");
    struct Case {
        const char* name;
        std::wstring workbook;
        const wchar_t* failing;  // an Excel member made to fail, or none
        std::wstring message;
    } cases[] = {
        {"an empty box", L"", nullptr, L"请先选择数据文件。"},
        {"a missing file, its Chinese path shown as the box has it", missing, nullptr, L"无法打开数据文件：" + missing},
        {"a file that is no workbook", broken, nullptr, L"无法打开数据文件：" + broken},
        {"a sheet that cannot be read", lookupBook, L"Range.Resize", L"无法读取数据文件：" + lookupBook},
        {"a good list without the key", lookupBook, nullptr, L"查询ITEM不存在！"},
    };
    auto app = Start(L"lookup", Settings{.keyColumn = L"3", .workbook = lookupBook,
                                         .labelTemplate = FixturePath(L"templates\\all-fields.btw")});
    ASSERT_EQ(LookUp(*app, L"SPEC-X"), Outcome::Found);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        excel.Set(L"FailMembers", c.failing ? c.failing : L"");
        app->SetText(app::WorkbookBox, c.workbook);
        app->EnterKey(c.message == L"查询ITEM不存在！" ? L"NO-SUCH-KEY" : L"SPEC-X");
        auto box = app->WaitForMessageBox();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->Summary(), L"标签打印: " + c.message + L" [OK]");
        app->Close(*box);
        EXPECT_FALSE(WaitUntil([&] { return app->FindMessageBox().has_value(); }, 300)) << "no second message";
        EXPECT_EQ(app->FocusId(), app::KeyBox);
        bartender.ClearLog();
        box = app->Print();
        ASSERT_TRUE(box.has_value()) << "no print follows";
        EXPECT_EQ(box->text, L"查询ITEM不存在！");
        app->Close(*box);
        EXPECT_TRUE(bartender.Calls().empty());
    }
    Strings briefs = excel.Briefs();
    EXPECT_EQ(briefs.back(), "Application.Quit()") << "the Excel it started is quit all the same";
}

// Other keys are left to the boxes: they neither move the focus nor look anything up.
TEST_F(LookupTest, KeysOtherThanEnterDoNothing) {
    auto app = StartOn(lookupBook);
    ASSERT_TRUE(app->WaitForFocus(app::Spare1Box));
    app->PostKey(app::Spare1Box, 'A');
    EXPECT_TRUE(WaitUntil([&] { return app->Text(app::Spare1Box) == L"a"; }));
    EXPECT_EQ(app->FocusId(), app::Spare1Box);
    app->PostEnter(app::Spare1Box);
    app->PostEnter(app::Spare2Box);
    ASSERT_TRUE(app->WaitForFocus(app::KeyBox));
    app->PostKey(app::KeyBox, 'S');
    app->PostKey(app::KeyBox, VK_TAB);
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox));
    EXPECT_TRUE(WaitUntil([&] { return app->Text(app::KeyBox) == L"s"; }));
    EXPECT_FALSE(app->FindMessageBox().has_value());
    EXPECT_TRUE(excel.Calls().empty());
}

// 退出 while the lookup lets events run, in the operator's own Excel: the workbook the lookup opened is
// closed as the lookup would have closed it, and that Excel is neither hidden nor quit.
TEST_F(LookupTest, ExitDuringALookupLeavesTheOperatorsExcelRunning) {
    OperatorExcel operatorExcel;
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    excel.Set(L"SlowAt", L"Workbooks.Open");
    excel.Set(L"SlowMs", DWORD{1500});
    auto app = StartOn(lookupBook);
    app->EnterKey(L"SPEC-X");
    app->PostClick(app::ExitButton);
    ASSERT_TRUE(app->WaitForExit());
    EXPECT_FALSE(operatorExcel.Exited(1000)) << "the operator's Excel keeps running";
    Strings briefs = excel.Briefs();
    EXPECT_EQ(std::count(briefs.begin(), briefs.end(), "Application.Quit()"), 0);
    EXPECT_EQ(std::count(briefs.begin(), briefs.end(), "Application.Visible=(BOOL:false)"), 0);
    ASSERT_FALSE(briefs.empty());
    EXPECT_EQ(briefs.back(), "Workbook.Close(BOOL:false)");
}

// An Excel that only the lookup used must not live on hidden: it ends while the window is still open,
// here while the lookup's own message is up.
TEST_F(LookupTest, TheProgramsOwnExcelHasEndedWhenTheLookupIsOver) {
    StopStandin(L"Excel");
    for (DWORD pid : StandinProcesses(L"excel-standin.exe")) ASSERT_TRUE(ProcessEnded(pid, 10000));
    auto app = StartOn(lookupBook);
    app->EnterKey(L"NO-SUCH-ITEM");
    auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"查询ITEM不存在！");
    Strings briefs = excel.Briefs();
    ASSERT_FALSE(briefs.empty());
    EXPECT_EQ(briefs.back(), "Application.Quit()");
    EXPECT_TRUE(WaitUntil([] { return StandinProcesses(L"excel-standin.exe").empty(); }, 5000));
    EXPECT_TRUE(app->FindMessageBox().has_value()) << "the window is still there";
    app->Answer(*box, IDOK);
}

// A shipping list the operator has open in their Excel, with changes not yet saved, is read where it
// is: not opened again (Excel would ask about the changes), not closed, Excel neither hidden nor quit.
TEST_F(LookupTest, AWorkbookTheOperatorHasOpenStaysOpenInTheirExcel) {
    excel.Set(L"OperatorWorkbook", lookupBook);
    OperatorExcel operatorExcel;
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    auto app = StartOn(lookupBook);
    EXPECT_EQ(LookUp(*app, L"SPEC-X"), Outcome::Found);
    const Strings inPlace{
        "Application.Workbooks()",
        "Workbooks.Count()",
        "Workbooks.Item(I4:1)",
        "Workbook.FullName()",
        "Workbook.Sheets(I2:1)",
        "Worksheet.Name()",
        "Workbook.Worksheets(BSTR:清单)",
        "Worksheet.Evaluate(BSTR:a65536)",
        "Range.End(I2:3)",
        "Range.Row()",
        "Worksheet.Evaluate(BSTR:a1)",
        "Range.Resize(I4:13,I2:20)",
        "Range.Value()",
        "Range.HasFormula()",
    };
    EXPECT_EQ(excel.Briefs(), inPlace);

    // The same file spelled otherwise is the same workbook.
    excel.ClearLog();
    std::wstring otherSpelling = lookupBook;
    otherSpelling.replace(otherSpelling.rfind(L"lookup.xlsx"), 11, L"..\\fixtures\\LOOKUP.XLSX");
    app->SetText(app::WorkbookBox, otherSpelling);
    EXPECT_EQ(LookUp(*app, L"S-200"), Outcome::Found);
    EXPECT_EQ(excel.Briefs(), inPlace);

    win::ComApartment com;
    auto workbooks = win::AsObject(win::Get(win::GetRunningObject(L"Excel.Application").get(), L"Workbooks"));
    EXPECT_EQ(V_I4(win::Get(workbooks.get(), L"Count").get()), 1);
    auto book = win::AsObject(win::Get(workbooks.get(), L"Item", 1));
    EXPECT_EQ(V_BOOL(win::Get(book.get(), L"Saved").get()), VARIANT_FALSE) << "the operator's changes are still there";
    EXPECT_FALSE(operatorExcel.Exited(0));
}

}  // namespace
