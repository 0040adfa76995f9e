// Automation servers that are busy for a while, or that end between or during prints: the program
// waits, asks the operator, or starts a new BarTender, driven through the real window.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Controls.h"
#include "tests/support/Json.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::Gbk;
using testing_support::Json;
using testing_support::ReadBytes;
using testing_support::TempDir;
using Strings = std::vector<std::string>;

namespace {

constexpr wchar_t kExcelBusy[] = L"Excel 正忙，请先结束单元格编辑或关闭 Excel 中打开的对话框。";
constexpr wchar_t kBarTenderBusy[] = L"BarTender 正忙，请稍候。";

class BusyServerTest : public ::testing::Test {
protected:
    void SetUp() override { bartender.Set(L"PrintLog", out / L"prints.log"); }

    std::unique_ptr<LabelPrintApp> Start() {
        std::wstring ini = L"[settings]\r\n查询列=1\r\n[DATA]\r\nDB=" + FixturePath(L"print.xlsx") + L"\r\nTP=" +
                           FixturePath(L"templates\\all-fields.btw") + L"\r\n";
        auto app = std::make_unique<LabelPrintApp>(L"busy", Gbk(ini));
        EXPECT_TRUE(app->StartAndWaitForWindow());
        return app;
    }

    // The operator's way to a lookup: Enter, Enter, the key, Enter.
    static void EnterKey(LabelPrintApp& app, const std::wstring& key) {
        app.PostEnter(app::Spare1Box);
        app.PostEnter(app::Spare2Box);
        ASSERT_TRUE(app.WaitForFocus(app::KeyBox));
        app.SetText(app::KeyBox, key);
        app.PostEnter(app::KeyBox);
    }

    // Presses 打印 and waits for the status line to change to a result.
    static std::wstring Print(LabelPrintApp& app) {
        app.SetText(app::StatusLine, L"");
        app.PostClick(app::PrintButton);
        EXPECT_TRUE(WaitUntil([&] { return !app.Text(app::StatusLine).empty() && app.Enabled(app::PrintButton); }));
        return app.Text(app::StatusLine);
    }

    // The calls a server's objects answered, and how many it refused as busy.
    static Strings Answered(const StandinScenario& server) {
        Strings calls;
        for (const Call& call : server.Calls())
            if (call.kind != "refused") calls.push_back(call.object + "." + call.member);
        return calls;
    }
    static int Refusals(const StandinScenario& server) {
        int n = 0;
        for (const Call& call : server.Calls()) n += call.kind == "refused";
        return n;
    }

    std::size_t PrintCount() const { return testing_support::ParseJsonLines(ReadBytes(out / L"prints.log")).size(); }

    StandinScenario bartender{L"BarTender"};
    StandinScenario excel{L"Excel"};
    TempDir out{L"busy-printed"};
};

const Strings kLookupCalls{"Application.Workbooks", "Workbooks.Open", "Application.Visible", "Application.Sheets",
                           "Worksheet.Name",        "Workbook.Worksheets", "Worksheet.Select", "Worksheet.Evaluate",
                           "Range.End",             "Range.Row",           "Worksheet.Evaluate", "Range.Resize",
                           "Workbook.Close",        "Application.Quit"};

TEST_F(BusyServerTest, ABusyExcelIsWaitedForAndTheItemIsFound) {
    auto app = Start();
    excel.Set(L"BusyForMs", DWORD{1500});
    EnterKey(*app, L"P-TEXT");
    EXPECT_TRUE(app->WaitForFocus(app::QuantityBox)) << "the item is found";
    EXPECT_FALSE(app->FindMessageBox().has_value());
    EXPECT_GT(Refusals(excel), 0) << "Excel was busy";
    EXPECT_EQ(Answered(excel), kLookupCalls) << "each call once, in order";
}

TEST_F(BusyServerTest, ABusyBarTenderIsWaitedForAndPrintsOnce) {
    auto app = Start();
    EnterKey(*app, L"P-TEXT");
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox));
    bartender.ClearLog();
    bartender.Set(L"BusyForMs", DWORD{1500});
    EXPECT_EQ(Print(*app), L"打印完成");
    EXPECT_FALSE(app->FindMessageBox().has_value());
    EXPECT_GT(Refusals(bartender), 0);
    Strings calls = Answered(bartender);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Format.PrintOut"), 1);
    EXPECT_EQ(PrintCount(), 1u);
}

TEST_F(BusyServerTest, ABusyBarTenderAtStartUpIsWaitedForAndTheWindowWorks) {
    bartender.Set(L"BusyForMs", DWORD{1500});
    auto app = Start();
    EXPECT_FALSE(app->FindMessageBox().has_value()) << "no \"NO Bartender\"";
    EXPECT_GT(Refusals(bartender), 0);
    EnterKey(*app, L"P-TEXT");
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox));
    EXPECT_EQ(Print(*app), L"打印完成");
    EXPECT_EQ(PrintCount(), 1u);
}

// Busy for longer than the silent wait: the operator is asked, and input that arrives meanwhile waits
// for the lookup to end.
TEST_F(BusyServerTest, AfterFiveSecondsTheOperatorDecidesToRetryOrCancel) {
    auto app = Start();
    EnterKey(*app, L"P-TEXT");
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox));
    excel.ClearLog();

    // 重试: the lookup goes on to its result.
    excel.Set(L"BusyForMs", DWORD{7000});
    app->PostEnter(app::KeyBox);
    EXPECT_FALSE(WaitUntil([&] { return app->FindMessageBox().has_value(); }, 3000)) << "silent at first";
    auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kExcelBusy);
    EXPECT_EQ(box->title, L"标签打印");
    EXPECT_TRUE(box->retry);
    EXPECT_TRUE(box->cancel);
    EXPECT_TRUE(box->icon);
    // Typed while the question is up: neither acted on inside the waiting lookup nor lost.
    app->PostKey(app::Spare1Box, 'A');
    app->PostKey(app::Spare1Box, 'B');
    app->PostEnter(app::KeyBox);
    ::Sleep(300);
    EXPECT_EQ(app->Text(app::Spare1Box), L"");
    EXPECT_EQ(Answered(excel), Strings{}) << "nothing reached Excel while it was busy";
    app->Answer(*box, IDRETRY);
    EXPECT_TRUE(WaitUntil([&] { return app->Text(app::Spare1Box) == L"ab"; }));
    EXPECT_TRUE(WaitUntil([&] {
        Strings calls = Answered(excel);
        return std::count(calls.begin(), calls.end(), "Application.Quit") == 2;
    })) << "the Enter typed meanwhile made a second lookup";
    Strings calls = Answered(excel);
    auto firstResize = std::find(calls.begin(), calls.end(), "Range.Resize");
    auto secondLookup = std::find(calls.begin() + 1, calls.end(), "Application.Workbooks");
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
    ASSERT_TRUE(WaitUntil([&] {
        box = app->FindMessageBox();
        return box && !box->text.empty() && box->text != kExcelBusy;
    }));
    EXPECT_EQ(box->text, L"Excel 正忙，查询已取消。");
    EXPECT_EQ(box->title, L"标签打印");
    EXPECT_TRUE(box->ok);
    EXPECT_FALSE(box->cancel);
    EXPECT_FALSE(box->icon);
    app->Answer(*box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !app->FindMessageBox(); }));
    bartender.ClearLog();
    app->PostClick(app::PrintButton);
    box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"查询ITEM不存在！");
    app->Answer(*box, IDOK);
    EXPECT_TRUE(bartender.Calls().empty());

    // BarTender has its own question; 重试 prints once.
    ::Sleep(2500);  // the spell of Excel ends
    EnterKey(*app, L"P-TEXT");
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox));
    bartender.ClearLog();
    bartender.Set(L"BusyForMs", DWORD{6000});
    app->PostClick(app::PrintButton);
    box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kBarTenderBusy);
    EXPECT_TRUE(box->retry && box->cancel && box->icon);
    app->Answer(*box, IDRETRY);
    EXPECT_TRUE(WaitUntil([&] { return app->Text(app::StatusLine) == L"打印完成"; }));
    calls = Answered(bartender);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Format.PrintOut"), 1);
    EXPECT_EQ(PrintCount(), 1u);
}

TEST_F(BusyServerTest, ABarTenderThatEndedBeforeAPrintIsReplacedByANewOne) {
    auto app = Start();
    EnterKey(*app, L"P-TEXT");
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox));
    EXPECT_EQ(Print(*app), L"打印完成");

    // The operator closed BarTender between two prints.
    std::vector<DWORD> running = StandinProcesses(L"bartender-standin.exe");
    StopStandin(L"BarTender");
    for (DWORD pid : running) ASSERT_TRUE(ProcessEnded(pid, 10000));
    bartender.ClearLog();
    EXPECT_EQ(Print(*app), L"打印完成");
    Strings calls = Answered(bartender);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "Application.Version") << "the new instance is checked as at start-up";
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Format.PrintOut"), 1);
    EXPECT_EQ(PrintCount(), 2u);

    // It crashed as the template was being opened: nothing had reached a format yet.
    bartender.Set(L"DieAt", L"Formats.Open");
    bartender.ClearLog();
    EXPECT_EQ(Print(*app), L"打印完成");
    calls = Answered(bartender);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Format.PrintOut"), 1);
    EXPECT_EQ(PrintCount(), 3u);
}

TEST_F(BusyServerTest, APrintDuringWhichBarTenderEndedFailsAndTheNextOneGoesOn) {
    auto app = Start();
    EnterKey(*app, L"P-TEXT");
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox));
    bartender.ClearLog();
    bartender.Set(L"DieAt", L"Format.PrintOut");
    EXPECT_EQ(Print(*app), L"打印失败");
    EXPECT_TRUE(app->Running());
    EXPECT_EQ(PrintCount(), 0u);
    Strings calls = Answered(bartender);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Format.PrintOut"), 0) << "its labels may be out: not sent again";
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Application.Version"), 0) << "no new BarTender for this print";

    bartender.ClearLog();
    EXPECT_EQ(Print(*app), L"打印完成");
    calls = Answered(bartender);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "Application.Version");
    EXPECT_EQ(PrintCount(), 1u);
}

TEST_F(BusyServerTest, EndingTheProgramWaitsForABusyBarTenderToQuit) {
    for (bool exitButton : {true, false}) {
        SCOPED_TRACE(exitButton ? "退出" : "closing the window");
        auto app = Start();
        bartender.ClearLog();
        bartender.Set(L"BusyForMs", DWORD{1500});
        if (exitButton) {
            app->PostClick(app::ExitButton);
        } else {
            ::PostMessageW(app->window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        EXPECT_TRUE(app->WaitForExit());
        EXPECT_GT(Refusals(bartender), 0);
        EXPECT_EQ(Answered(bartender), Strings{"Application.Quit"});
    }
}

}  // namespace
