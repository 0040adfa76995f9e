// The two path boxes: what opens the open-file dialog, and paths the settings file's code page
// cannot hold, driven through the real window.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Controls.h"
#include "services/SettingsFile.h"
#include "tests/support/Json.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::Gbk;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::Utf8;

namespace {

constexpr wchar_t kUnsavedPathNote[] = L"路径含有配置文件无法保存的字符，下次启动时需要重新选择。";

class PathBoxTest : public ::testing::Test {
protected:
    StandinScenario bartender{L"BarTender"};
    StandinScenario excel{L"Excel"};
    TempDir files{L"path-box"};
    TempDir out{L"path-box-prints"};

    // Closes the message box that is up and checks that no other follows it.
    static void CloseTheOnlyMessage(LabelPrintApp& app, const MessageBoxInfo& box) {
        app.Answer(box, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return !app.FindMessageBox(); }));
        EXPECT_FALSE(WaitUntil([&] { return app.FindMessageBox().has_value(); }, 1000)) << "one message";
    }
};

TEST_F(PathBoxTest, OnlyAClickThatStartsAndEndsInAPathBoxOpensTheDialog) {
    LabelPrintApp app(L"lone-release");
    ASSERT_TRUE(app.StartAndWaitForWindow());

    // A release alone, as after a double-click that closed the open-file dialog above the box.
    app.PostMouse(app::WorkbookBox, WM_LBUTTONUP, 5, 5);
    app.PostMouse(app::TemplateBox, WM_LBUTTONUP, 5, 5);
    // Pressed in the box, let go outside it.
    app.PostMouse(app::TemplateBox, WM_LBUTTONDOWN, 5, 5);
    app.PostMouse(app::TemplateBox, WM_LBUTTONUP, 5, -30);
    // Pressed in the box, then the mouse taken by a button pressed meanwhile, then the release.
    app.PostMouse(app::TemplateBox, WM_LBUTTONDOWN, 5, 5);
    app.PostMouse(app::ChooseWorkbookButton, WM_LBUTTONDOWN, 5, 5);
    app.PostMouse(app::TemplateBox, WM_LBUTTONUP, 5, 5);
    // Pressed in one box, the release arriving at the other.
    app.PostMouse(app::WorkbookBox, WM_LBUTTONDOWN, 5, 5);
    app.PostMouse(app::TemplateBox, WM_LBUTTONUP, 5, 5);
    EXPECT_FALSE(WaitUntil([&] { return app.FindFileDialog() != nullptr; }, 1500));
    EXPECT_FALSE(app.FindMessageBox().has_value());

    // A whole click still opens it, the press left over in the workbook box notwithstanding.
    app.PostMouseClick(app::TemplateBox);
    HWND dialog = app.WaitForFileDialog(L"打开标签模板文件");
    ASSERT_NE(dialog, nullptr);
    app.CancelFileDialog(dialog);
    auto box = app.WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"没有选定文件");
    CloseTheOnlyMessage(app, *box);
    EXPECT_EQ(app.FindFileDialog(), nullptr);
}

TEST_F(PathBoxTest, ATemplateOutsideTheCodePageIsNotedOnceWhenRememberedAndIsPrinted) {
    // Hangul is not in GBK: the settings file can only store '?' in its place.
    std::wstring label = files / L"标签 \uD55C\uAE00.btw";
    testing_support::WriteBytes(label, ReadBytes(FixturePath(L"templates\\all-fields.btw")));
    ASSERT_NE(testing_support::FromGbk(Gbk(label)), label);
    std::wstring workbook = FixturePath(L"print.xlsx");
    bartender.Set(L"PrintLog", out / L"prints.log");
    LabelPrintApp app(L"unicode-template", Gbk(L"[settings]\r\n查询列=1\r\n"));
    ASSERT_TRUE(app.StartAndWaitForWindow());

    // A path the code page holds is remembered without a word.
    app.PostClick(app::ChooseWorkbookButton);
    HWND dialog = app.WaitForFileDialog(L"导入出货清单EXCEL文件");
    ASSERT_NE(dialog, nullptr);
    app.ChooseInFileDialog(dialog, workbook);
    ASSERT_TRUE(WaitUntil([&] { return app.Text(app::WorkbookBox) == workbook; }));
    EXPECT_FALSE(WaitUntil([&] { return app.FindMessageBox().has_value(); }, 1000));

    app.PostClick(app::ChooseTemplateButton);
    dialog = app.WaitForFileDialog(L"打开标签模板文件");
    ASSERT_NE(dialog, nullptr);
    app.ChooseInFileDialog(dialog, label);
    auto box = app.WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kUnsavedPathNote);
    EXPECT_EQ(box->title, L"标签打印");
    EXPECT_TRUE(box->ok);
    EXPECT_FALSE(box->cancel);
    EXPECT_FALSE(box->icon);
    EXPECT_EQ(app.Text(app::TemplateBox), label) << "the path is used for this run";
    CloseTheOnlyMessage(app, *box);
    EXPECT_EQ(ReadIni(L"DATA", L"TP", app.configPath()), testing_support::FromGbk(Gbk(label)))
        << "the settings file holds the code page's substitutes";

    // The template is found and printed under its real name.
    app.PostEnter(app::Spare1Box);
    app.PostEnter(app::Spare2Box);
    ASSERT_TRUE(app.WaitForFocus(app::KeyBox));
    app.SetText(app::KeyBox, L"P-TEXT");
    app.PostEnter(app::KeyBox);
    ASSERT_TRUE(app.WaitForFocus(app::QuantityBox));
    bartender.ClearLog();
    app.PostClick(app::PrintButton);
    ASSERT_TRUE(WaitUntil([&] { return app.Text(app::StatusLine) == L"打印完成" && app.Enabled(app::PrintButton); }));
    EXPECT_FALSE(app.FindMessageBox().has_value()) << "no 没有模版文件";
    std::vector<testing_support::Json> prints = testing_support::ParseJsonLines(ReadBytes(out / L"prints.log"));
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0]["substrings"]["1"].text, "P-TEXT");
    std::vector<std::string> calls = bartender.Briefs();
    ASSERT_FALSE(calls.empty());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "Formats.Open(BSTR:" + Utf8(label) + ",BOOL:false,BSTR:)"),
              calls.end());

    // Chosen by a click into the box, the path is not remembered, so there is nothing to note.
    std::string config = ReadBytes(app.configPath());
    app.PostMouseClick(app::TemplateBox);
    dialog = app.WaitForFileDialog(L"打开标签模板文件");
    ASSERT_NE(dialog, nullptr);
    app.ChooseInFileDialog(dialog, label);
    EXPECT_FALSE(WaitUntil([&] { return app.FindMessageBox().has_value(); }, 1500));
    EXPECT_EQ(app.Text(app::TemplateBox), label);
    EXPECT_EQ(ReadBytes(app.configPath()), config);
}

}  // namespace
