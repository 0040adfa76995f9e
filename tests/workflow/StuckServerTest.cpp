// Automation calls that do not come back, as a call stuck behind a dialog nobody can see does: after
// fifteen seconds the operator is asked, 重试 waits on, and 取消 ends what is the program's own and
// nothing else. Driven through the real window; the stand-ins' HangAt makes a call never return.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Controls.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using Strings = std::vector<std::string>;

namespace {

constexpr wchar_t kExcelStuck[] =
    L"Excel 没有响应，可能有对话框在等待回答。按“重试”继续等待，按“取消”放弃这次查询。";
constexpr wchar_t kPrintStuck[] =
    L"BarTender 没有响应，可能有对话框在等待回答。按“重试”继续等待，按“取消”放弃这次打印。";
constexpr wchar_t kStartupStuck[] =
    L"BarTender 没有响应，可能有对话框在等待回答。按“重试”继续等待，按“取消”退出程序。";
// The question comes after fifteen seconds.
constexpr DWORD kQuestionWithin = 25000;

class StuckServerTest : public ::testing::Test {
protected:
    std::unique_ptr<LabelPrintApp> StartStuck() {
        return Start(L"stuck", Settings{.keyColumn = L"1", .workbook = FixturePath(L"print.xlsx"),
                                        .labelTemplate = FixturePath(L"templates\\all-fields.btw")});
    }

    // Waits for the question about a call that does not come back, and checks how it is asked.
    static std::optional<MessageBoxInfo> Question(LabelPrintApp& app, const wchar_t* text) {
        auto box = app.WaitForMessageBox(kQuestionWithin);
        if (!box) return box;
        EXPECT_EQ(box->Summary(), std::wstring(L"标签打印: ") + text + L" [Retry Cancel] icon");
        return box;
    }

    BarTenderScenario bartender;
    StandinScenario excel{L"Excel"};
};

TEST_F(StuckServerTest, AnExcelOfTheProgramsOwnStuckInOpenIsEndedOnCancelAndTheNextLookupWorks) {
    auto app = StartStuck();
    excel.Set(L"HangAt", L"Workbooks.Open");
    app->EnterKey(L"P-TEXT");
    auto box = Question(*app, kExcelStuck);
    ASSERT_TRUE(box.has_value());
    ASSERT_EQ(StandinProcesses(L"excel-standin.exe").size(), 1u);
    app->Answer(*box, IDCANCEL);
    box = app->WaitForNextMessageBox(kExcelStuck);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Summary(), L"标签打印: Excel 没有响应，查询已取消。 [OK]");
    EXPECT_TRUE(StandinProcesses(L"excel-standin.exe").empty()) << "the hidden Excel was ended";
    app->Close(*box);

    // Nothing was found, so no print can follow.
    box = app->Print();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"查询ITEM不存在！");
    app->Close(*box);

    EXPECT_TRUE(app->FindItem(L"P-TEXT")) << "the next lookup starts a new Excel";
    EXPECT_TRUE(WaitUntil([] { return StandinProcesses(L"excel-standin.exe").empty(); }));
}

TEST_F(StuckServerTest, RetryWaitsOnUntilTheCallComesBack) {
    auto app = StartStuck();
    excel.Set(L"SlowAt", L"Workbooks.Open");
    excel.Set(L"SlowMs", DWORD{22000});
    app->EnterKey(L"P-TEXT");
    auto box = Question(*app, kExcelStuck);
    ASSERT_TRUE(box.has_value());
    app->Answer(*box, IDRETRY);
    EXPECT_TRUE(app->WaitForFocus(app::QuantityBox, 20000)) << "the key is found once Open returns";
    EXPECT_FALSE(app->FindMessageBox().has_value());
}

TEST_F(StuckServerTest, TheOperatorsStuckExcelIsNeverEndedNorQuit) {
    OperatorExcel operatorExcel;
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    auto app = StartStuck();
    excel.Set(L"HangAt", L"Workbooks.Open");
    app->EnterKey(L"P-TEXT");
    auto box = Question(*app, kExcelStuck);
    ASSERT_TRUE(box.has_value());
    app->Answer(*box, IDCANCEL);
    box = app->WaitForNextMessageBox(kExcelStuck);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"Excel 没有响应，查询已取消。");
    app->Close(*box);
    EXPECT_FALSE(operatorExcel.Exited(1000)) << "their Excel, with their question on screen, runs on";
    Strings briefs = excel.Briefs();
    EXPECT_EQ(std::count(briefs.begin(), briefs.end(), "Application.Quit()"), 0);
    EXPECT_TRUE(app->Running()) << "and the window goes on";
}

TEST_F(StuckServerTest, ABarTenderStuckInPrintOutIsEndedOnCancelAndTheNextPrintGoesOnANewOne) {
    auto app = StartStuck();
    ASSERT_TRUE(app->FindItem(L"P-TEXT"));
    const auto before = StandinProcesses(L"bartender-standin.exe");
    ASSERT_EQ(before.size(), 1u);
    bartender.Set(L"HangAt", L"Format.PrintOut");
    app->PostClick(app::PrintButton);
    auto box = Question(*app, kPrintStuck);
    ASSERT_TRUE(box.has_value());
    app->Answer(*box, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return app->Text(app::StatusLine) == L"打印失败"; }));
    EXPECT_TRUE(ProcessEnded(before.front(), 5000)) << "the stuck BarTender was ended";
    EXPECT_FALSE(app->FindMessageBox().has_value());

    bartender.ClearLog();
    app->Print();
    EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");
    EXPECT_EQ(bartender.Prints().size(), 1u) << "printed once, not repeated";
    const auto after = StandinProcesses(L"bartender-standin.exe");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_NE(after.front(), before.front()) << "by a new BarTender";
}

// Stuck while it starts (a licence or activation box), or in the check of its version.
TEST_F(StuckServerTest, ABarTenderStuckAtStartUpEndsTheProgramOnCancelWithNothingLeftBehind) {
    for (const wchar_t* stuckIn : {L"Application.Create", L"Application.Version"}) {
        SCOPED_TRACE(testing_support::Utf8(stuckIn));
        bartender.Set(L"HangAt", stuckIn);
        LabelPrintApp app(L"stuck-startup");
        app.Launch();
        auto box = Question(app, kStartupStuck);
        ASSERT_TRUE(box.has_value());
        app.Answer(*box, IDCANCEL);
        box = app.WaitForNextMessageBox(kStartupStuck);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->Summary(), L"标签打印: NO Bartender OR error！ [OK]");
        app.Answer(*box, IDOK);
        EXPECT_TRUE(app.WaitForExit());
        EXPECT_TRUE(WaitUntil([] { return StandinProcesses(L"bartender-standin.exe").empty(); }, 5000))
            << "no BarTender is left behind";
    }
}

}  // namespace
