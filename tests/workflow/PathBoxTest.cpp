// The two path boxes: what opens the open-file dialog, and paths the settings file's code page
// cannot hold, driven through the real window.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Controls.h"
#include "services/SettingsFile.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::Gbk;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::Utf8;

namespace {

class PathBoxTest : public ::testing::Test {
protected:
    BarTenderScenario bartender;
    StandinScenario excel{L"Excel"};
    TempDir files{L"path-box"};

    // Closes the message box that is up and checks that no other follows it.
    static void CloseTheOnlyMessage(LabelPrintApp& app, const MessageBoxInfo& box) {
        app.Close(box);
        EXPECT_FALSE(WaitUntil([&] { return app.FindMessageBox().has_value(); }, 1000)) << "one message";
    }
};

TEST_F(PathBoxTest, OnlyAClickThatStartsAndEndsInAPathBoxOpensTheDialog) {
    auto app = Start(L"lone-release");

    // A release alone, as after a double-click that closed the open-file dialog above the box.
    app->PostMouse(app::WorkbookBox, WM_LBUTTONUP, 5, 5);
    app->PostMouse(app::TemplateBox, WM_LBUTTONUP, 5, 5);
    // Pressed in the box, let go outside it.
    app->PostMouse(app::TemplateBox, WM_LBUTTONDOWN, 5, 5);
    app->PostMouse(app::TemplateBox, WM_LBUTTONUP, 5, -30);
    // Pressed in the box, then the mouse taken by a button pressed meanwhile, then the release.
    app->PostMouse(app::TemplateBox, WM_LBUTTONDOWN, 5, 5);
    app->PostMouse(app::ChooseWorkbookButton, WM_LBUTTONDOWN, 5, 5);
    app->PostMouse(app::TemplateBox, WM_LBUTTONUP, 5, 5);
    // Pressed in one box, the release arriving at the other.
    app->PostMouse(app::WorkbookBox, WM_LBUTTONDOWN, 5, 5);
    app->PostMouse(app::TemplateBox, WM_LBUTTONUP, 5, 5);
    EXPECT_FALSE(WaitUntil([&] { return app->FindFileDialog() != nullptr; }, 1500));
    EXPECT_FALSE(app->FindMessageBox().has_value());

    // A whole click still opens it, the press left over in the workbook box notwithstanding.
    HWND dialog = app->OpenFileDialog(app::TemplateBox, L"打开标签模板文件");
    ASSERT_NE(dialog, nullptr);
    app->CancelFileDialog(dialog);
    auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"没有选定文件");
    CloseTheOnlyMessage(*app, *box);
    EXPECT_EQ(app->FindFileDialog(), nullptr);
}

TEST_F(PathBoxTest, ATemplateOutsideTheCodePageIsNotedOnceWhenRememberedAndIsPrinted) {
    // Hangul is not in GBK: the settings file can only store '?' in its place.
    std::wstring label = files / L"标签 \uD55C\uAE00.btw";
    testing_support::WriteBytes(label, ReadBytes(FixturePath(L"templates\\all-fields.btw")));
    ASSERT_NE(testing_support::FromGbk(Gbk(label)), label);
    std::wstring workbook = FixturePath(L"print.xlsx");
    auto app = Start(L"unicode-template", Settings{.keyColumn = L"1"});

    // A path the code page holds is remembered without a word.
    ASSERT_TRUE(app->ChooseFile(app::ChooseWorkbookButton, L"导入出货清单EXCEL文件", workbook));
    ASSERT_TRUE(WaitUntil([&] { return app->Text(app::WorkbookBox) == workbook; }));
    EXPECT_FALSE(WaitUntil([&] { return app->FindMessageBox().has_value(); }, 1000));

    ASSERT_TRUE(app->ChooseFile(app::ChooseTemplateButton, L"打开标签模板文件", label));
    auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Summary(), L"标签打印: 路径含有配置文件无法保存的字符，下次启动时需要重新选择。 [OK]");
    EXPECT_EQ(app->Text(app::TemplateBox), label) << "the path is used for this run";
    CloseTheOnlyMessage(*app, *box);
    EXPECT_EQ(services::ReadIni(L"DATA", L"TP", app->configPath()), testing_support::FromGbk(Gbk(label)))
        << "the settings file holds the code page's substitutes";

    // The template is found and printed under its real name.
    ASSERT_TRUE(app->FindItem(L"P-TEXT"));
    bartender.ClearLog();
    EXPECT_FALSE(app->Print().has_value()) << "no 没有模版文件";
    EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");
    std::vector<testing_support::Json> prints = bartender.Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0]["substrings"]["1"].text, "P-TEXT");
    std::vector<std::string> calls = bartender.Briefs();
    ASSERT_FALSE(calls.empty());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "Formats.Open(BSTR:" + Utf8(label) + ",BOOL:false,BSTR:)"),
              calls.end());

    // Chosen by a click into the box, the path is not remembered, so there is nothing to note.
    std::string config = ReadBytes(app->configPath());
    ASSERT_TRUE(app->ChooseFile(app::TemplateBox, L"打开标签模板文件", label));
    EXPECT_FALSE(WaitUntil([&] { return app->FindMessageBox().has_value(); }, 1500));
    EXPECT_EQ(app->Text(app::TemplateBox), label);
    EXPECT_EQ(ReadBytes(app->configPath()), config);
}

}  // namespace
