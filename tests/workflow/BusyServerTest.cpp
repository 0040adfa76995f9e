// Automation servers that are busy for a while, or that end between or during prints: the program
// waits, asks the operator, or starts a new BarTender, driven through the real window.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Controls.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using Strings = std::vector<std::string>;

namespace {

constexpr wchar_t kKey[] = L"V-1";
constexpr wchar_t kExcelBusy[] = L"Excel 正忙，请先结束单元格编辑或关闭 Excel 中打开的对话框。";

class BusyServerTest : public ::testing::Test {
protected:
    // On a list with formulas, whose copy is never kept: every lookup goes to Excel.
    std::unique_ptr<LabelPrintApp> StartBusy() {
        return Start(L"busy", Settings{.keyColumn = L"1", .workbook = FixturePath(L"volatile.xlsx"),
                                       .labelTemplate = FixturePath(L"templates\\all-fields.btw")});
    }

    // Presses 打印 and says what the status line says afterwards.
    static std::wstring Print(LabelPrintApp& app) {
        app.Print();
        return app.Text(app::StatusLine);
    }

    static int Refusals(const StandinScenario& server) {
        int n = 0;
        for (const Call& call : server.Calls()) n += call.kind == "refused";
        return n;
    }

    BarTenderScenario bartender;
    StandinScenario excel{L"Excel"};
};

const Strings kLookupCalls{"Application.Hwnd",   "Application.DisplayAlerts", "Application.AutomationSecurity",
                           "Application.Workbooks", "Workbooks.Open",         "Application.Visible",
                           "Application.Sheets",    "Worksheet.Name",         "Workbook.Worksheets",
                           "Worksheet.Select",      "Worksheet.Evaluate",     "Range.End",
                           "Range.Row",             "Worksheet.Evaluate",     "Range.Resize",
                           "Range.Value",           "Range.HasFormula",       "Workbook.Close",
                           "Application.Quit"};

// A busy server answers either way: it rejects the call, or tells the caller to retry later (Excel does
// while a cell is being edited). Both are waited for.
const wchar_t* const kBusyAnswers[] = {L"rejected", L"retrylater"};

TEST_F(BusyServerTest, ABusyExcelIsWaitedForAndTheItemIsFound) {
    for (const wchar_t* answer : kBusyAnswers) {
        SCOPED_TRACE(testing_support::Utf8(answer));
        auto app = StartBusy();
        excel.ClearLog();
        excel.Set(L"BusyAnswer", answer);
        excel.Set(L"BusyForMs", DWORD{1500});
        app->EnterKey(kKey);
        EXPECT_TRUE(app->WaitForFocus(app::QuantityBox)) << "the item is found";
        EXPECT_FALSE(app->FindMessageBox().has_value());
        EXPECT_GT(Refusals(excel), 0) << "Excel was busy";
        EXPECT_EQ(excel.Answered(), kLookupCalls) << "each call once, in order";
    }
}

TEST_F(BusyServerTest, ABusyBarTenderIsWaitedForAndPrintsOnce) {
    for (const wchar_t* answer : kBusyAnswers) {
        SCOPED_TRACE(testing_support::Utf8(answer));
        auto app = StartBusy();
        ASSERT_TRUE(app->FindItem(kKey));
        bartender.ClearLog();
        const std::size_t printedBefore = bartender.Prints().size();
        bartender.Set(L"BusyAnswer", answer);
        bartender.Set(L"BusyForMs", DWORD{1500});
        EXPECT_EQ(Print(*app), L"打印完成");
        EXPECT_FALSE(app->FindMessageBox().has_value());
        EXPECT_GT(Refusals(bartender), 0);
        EXPECT_EQ(bartender.Answered("Format.PrintOut"), 1u);
        EXPECT_EQ(bartender.Prints().size(), printedBefore + 1);
    }
}

TEST_F(BusyServerTest, ABusyBarTenderAtStartUpIsWaitedForAndTheWindowWorks) {
    bartender.Set(L"BusyForMs", DWORD{1500});
    auto app = StartBusy();
    EXPECT_FALSE(app->FindMessageBox().has_value()) << "no \"NO Bartender\"";
    EXPECT_GT(Refusals(bartender), 0);
    ASSERT_TRUE(app->FindItem(kKey));
    EXPECT_EQ(Print(*app), L"打印完成");
    EXPECT_EQ(bartender.Prints().size(), 1u);
}

// Busy for longer than the silent wait: the operator is asked, and input that arrives meanwhile waits
// for the lookup to end.
TEST_F(BusyServerTest, AfterFiveSecondsTheOperatorDecidesToRetryOrCancel) {
    auto app = StartBusy();
    ASSERT_TRUE(app->FindItem(kKey));
    excel.ClearLog();

    // 重试: the lookup goes on to its result.
    excel.Set(L"BusyForMs", DWORD{7000});
    app->PostEnter(app::KeyBox);
    EXPECT_FALSE(WaitUntil([&] { return app->FindMessageBox().has_value(); }, 3000)) << "silent at first";
    auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Summary(), std::wstring(L"标签打印: ") + kExcelBusy + L" [Retry Cancel] icon");
    // Typed while the question is up: neither acted on inside the waiting lookup nor lost.
    app->PostKey(app::Spare1Box, 'A');
    app->PostKey(app::Spare1Box, 'B');
    app->PostEnter(app::KeyBox);
    ::Sleep(300);
    EXPECT_EQ(app->Text(app::Spare1Box), L"");
    EXPECT_EQ(excel.Answered(), Strings{}) << "nothing reached Excel while it was busy";
    app->Answer(*box, IDRETRY);
    EXPECT_TRUE(WaitUntil([&] { return app->Text(app::Spare1Box) == L"ab"; }));
    EXPECT_TRUE(WaitUntil([&] { return excel.Answered("Application.Quit") == 2; }))
        << "the Enter typed meanwhile made a second lookup";
    Strings calls = excel.Answered();
    auto firstResize = std::find(calls.begin(), calls.end(), "Range.Resize");
    auto secondLookup = std::find(std::find(calls.begin(), calls.end(), "Application.Workbooks") + 1, calls.end(),
                                  "Application.Workbooks");
    EXPECT_LT(firstResize - calls.begin(), secondLookup - calls.begin()) << "the second lookup came after the first";
    EXPECT_TRUE(app->WaitForFocus(app::QuantityBox));
    EXPECT_FALSE(app->FindMessageBox().has_value());

    // 取消: the lookup finds nothing and says why; no print can follow.
    excel.Set(L"BusyForMs", DWORD{7000});
    app->PostEnter(app::KeyBox);
    box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kExcelBusy);
    app->Answer(*box, IDCANCEL);
    box = app->WaitForNextMessageBox(kExcelBusy);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Summary(), L"标签打印: Excel 正忙，查询已取消。 [OK]");
    app->Close(*box);
    bartender.ClearLog();
    box = app->Print();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"查询ITEM不存在！");
    EXPECT_TRUE(bartender.Calls().empty());

    // BarTender has its own question; 重试 prints once.
    ::Sleep(2500);  // the spell of Excel ends
    ASSERT_TRUE(app->FindItem(kKey));
    bartender.ClearLog();
    bartender.Set(L"BusyForMs", DWORD{6000});
    app->PostClick(app::PrintButton);
    box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Summary(), L"标签打印: BarTender 正忙，请稍候。 [Retry Cancel] icon");
    app->Answer(*box, IDRETRY);
    EXPECT_TRUE(WaitUntil([&] { return app->Text(app::StatusLine) == L"打印完成"; }));
    EXPECT_EQ(bartender.Answered("Format.PrintOut"), 1u);
    EXPECT_EQ(bartender.Prints().size(), 1u);
}

TEST_F(BusyServerTest, ABarTenderThatEndedBeforeAPrintIsReplacedByANewOne) {
    auto app = StartBusy();
    ASSERT_TRUE(app->FindItem(kKey));
    EXPECT_EQ(Print(*app), L"打印完成");

    // The operator closed BarTender between two prints.
    std::vector<DWORD> running = StandinProcesses(L"bartender-standin.exe");
    StopStandin(L"BarTender");
    for (DWORD pid : running) ASSERT_TRUE(ProcessEnded(pid, 10000));
    bartender.ClearLog();
    EXPECT_EQ(Print(*app), L"打印完成");
    Strings calls = bartender.Answered();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "Application.Version") << "the new instance is checked as at start-up";
    EXPECT_EQ(bartender.Answered("Format.PrintOut"), 1u);
    EXPECT_EQ(bartender.Prints().size(), 2u);

    // It crashed as the template was being opened: nothing had reached a format yet.
    bartender.Set(L"DieAt", L"Formats.Open");
    bartender.ClearLog();
    EXPECT_EQ(Print(*app), L"打印完成");
    EXPECT_EQ(bartender.Answered("Format.PrintOut"), 1u);
    EXPECT_EQ(bartender.Prints().size(), 3u);
}

TEST_F(BusyServerTest, APrintDuringWhichBarTenderEndedFailsAndTheNextOneGoesOn) {
    auto app = StartBusy();
    ASSERT_TRUE(app->FindItem(kKey));
    bartender.ClearLog();
    bartender.Set(L"DieAt", L"Format.PrintOut");
    EXPECT_EQ(Print(*app), L"打印失败");
    EXPECT_TRUE(app->Running());
    EXPECT_EQ(bartender.Prints().size(), 0u);
    EXPECT_EQ(bartender.Answered("Format.PrintOut"), 0u) << "its labels may be out: not sent again";
    EXPECT_EQ(bartender.Answered("Application.Version"), 0u) << "no new BarTender for this print";

    bartender.ClearLog();
    EXPECT_EQ(Print(*app), L"打印完成");
    Strings calls = bartender.Answered();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "Application.Version");
    EXPECT_EQ(bartender.Prints().size(), 1u);
}

// 退出 and closing the window end the program the same way: BarTender is told to quit, even a busy one.
TEST_F(BusyServerTest, EndingTheProgramWaitsForABusyBarTenderToQuit) {
    for (bool exitButton : {true, false}) {
        SCOPED_TRACE(exitButton ? "退出" : "closing the window");
        auto app = StartBusy();
        bartender.ClearLog();
        bartender.Set(L"BusyForMs", DWORD{1500});
        if (exitButton) {
            app->PostClick(app::ExitButton);
        } else {
            ::PostMessageW(app->window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        ASSERT_TRUE(app->WaitForExit());
        EXPECT_EQ(app->ExitCode(), 0u);
        EXPECT_GT(Refusals(bartender), 0);
        EXPECT_EQ(bartender.Answered(), Strings{"Application.Quit"});
        EXPECT_EQ(bartender.Briefs().back(), "Application.Quit(I4:0)");
    }
}

// The operator's Excel goes busy in the middle of a lookup, after it answered Workbooks: the operator is
// asked once, and after 取消 nothing more reaches that Excel in the lookup (not even the calls that
// would close what the lookup opened there).
TEST_F(BusyServerTest, AfterCancelNothingMoreGoesToTheBusyServerAndNothingIsAskedAgain) {
    OperatorExcel operatorExcel;
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    auto app = StartBusy();
    // Busy from the call after Workbooks on.
    excel.Set(L"BusyAfter", L"Application.Workbooks");
    excel.Set(L"BusyForMs", DWORD{30000});
    app->EnterKey(kKey);
    auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kExcelBusy);
    app->Answer(*box, IDCANCEL);
    box = app->WaitForNextMessageBox(kExcelBusy);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"Excel 正忙，查询已取消。") << "no second question";
    app->Close(*box);
    EXPECT_EQ(excel.Answered(), Strings{"Application.Workbooks"});
    const int refused = Refusals(excel);
    ::Sleep(500);
    EXPECT_EQ(Refusals(excel), refused) << "no call is tried any more";
    EXPECT_FALSE(app->FindMessageBox().has_value());
    operatorExcel.Stop();
}

}  // namespace
