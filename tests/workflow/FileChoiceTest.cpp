// Choosing the workbook and the template through the real open-file dialog.
#include <gtest/gtest.h>

#include "app/Controls.h"
#include "services/SettingsFile.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::Gbk;
using testing_support::ReadBytes;
using testing_support::TempDir;
using Texts = std::vector<std::wstring>;

namespace {

class FileChoiceTest : public ::testing::Test {
protected:
    StandinScenario bartender{L"BarTender"};
    TempDir files{L"chosen-files"};

    std::wstring MakeFile(const std::wstring& name) {
        std::wstring path = files / name;
        testing_support::WriteBytes(path, "x");
        return path;
    }
};

TEST_F(FileChoiceTest, WorkbookButtonCreatesTheSettingsFileWithTheFullPath) {
    std::wstring workbook = MakeFile(L"出货清单（十二月）.xlsx");
    LabelPrintApp app(L"choose-workbook");
    ASSERT_TRUE(app.StartAndWaitForWindow());
    ASSERT_FALSE(testing_support::Exists(app.configPath()));

    app.PostClick(app::ChooseWorkbookButton);
    HWND dialog = app.WaitForFileDialog(L"导入出货清单EXCEL文件");
    ASSERT_NE(dialog, nullptr);
    // Two separate types: an .xlsx workbook shows only after switching the type.
    EXPECT_EQ(app.FileTypes(dialog), (Texts{L"(*.xls)", L"(*.xlsx)"}));
    app.ChooseInFileDialog(dialog, workbook);

    ASSERT_TRUE(WaitUntil([&] { return app.Text(app::WorkbookBox) == workbook; }));
    EXPECT_EQ(ReadBytes(app.configPath()), Gbk(L"[DATA]\r\nDB=" + workbook + L"\r\n"));
}

TEST_F(FileChoiceTest, ClickIntoTheWorkbookBoxChoosesForThisRunOnly) {
    std::wstring remembered = MakeFile(L"remembered.xls"), once = MakeFile(L"只用一次.xls");
    LabelPrintApp app(L"click-workbook", Gbk(L"[DATA]\r\nDB=" + remembered + L"\r\n"));
    ASSERT_TRUE(app.StartAndWaitForWindow());
    std::string before = ReadBytes(app.configPath());

    app.PostMouseClick(app::WorkbookBox);
    HWND dialog = app.WaitForFileDialog(L"导入EXCEL文件");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(app.FileTypes(dialog), (Texts{L"(*.xls)", L"(*.xlsx)"}));
    app.ChooseInFileDialog(dialog, once);
    ASSERT_TRUE(WaitUntil([&] { return app.Text(app::WorkbookBox) == once; }));
    EXPECT_EQ(ReadBytes(app.configPath()), before);

    app.PostClick(app::ExitButton);
    ASSERT_TRUE(app.WaitForExit());
    LabelPrintApp again(L"click-workbook-restart", before);
    ASSERT_TRUE(again.StartAndWaitForWindow());
    EXPECT_EQ(again.Text(app::WorkbookBox), remembered);
}

TEST_F(FileChoiceTest, TemplateButtonAndBoxUseTheTemplateDialog) {
    std::wstring label = MakeFile(L"标签模板 A.btw"), other = MakeFile(L"other.btw");
    LabelPrintApp app(L"choose-template");
    ASSERT_TRUE(app.StartAndWaitForWindow());

    app.PostClick(app::ChooseTemplateButton);
    HWND dialog = app.WaitForFileDialog(L"打开标签模板文件");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(app.FileTypes(dialog), (Texts{L"(*.BTW)"}));
    app.ChooseInFileDialog(dialog, label);
    ASSERT_TRUE(WaitUntil([&] { return app.Text(app::TemplateBox) == label; }));
    EXPECT_EQ(ReadIni(L"DATA", L"TP", app.configPath()), label);

    app.PostMouseClick(app::TemplateBox);
    dialog = app.WaitForFileDialog(L"打开标签模板文件");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(app.FileTypes(dialog), (Texts{L"(*.BTW)"}));
    app.ChooseInFileDialog(dialog, other);
    ASSERT_TRUE(WaitUntil([&] { return app.Text(app::TemplateBox) == other; }));
    EXPECT_EQ(ReadIni(L"DATA", L"TP", app.configPath()), label) << "a click into the box is not remembered";
}

TEST_F(FileChoiceTest, CancellingChangesNothingWhicheverAnswerIsGiven) {
    std::wstring workbook = MakeFile(L"book.xlsx"), label = MakeFile(L"label.btw");
    LabelPrintApp app(L"cancel", Gbk(L"[DATA]\r\nTP=" + label + L"\r\n"));
    ASSERT_TRUE(app.StartAndWaitForWindow());
    app.PostClick(app::ChooseWorkbookButton);
    HWND dialog = app.WaitForFileDialog(L"导入出货清单EXCEL文件");
    ASSERT_NE(dialog, nullptr);
    app.ChooseInFileDialog(dialog, workbook);
    ASSERT_TRUE(WaitUntil([&] { return app.Text(app::WorkbookBox) == workbook; }));
    std::string before = ReadBytes(app.configPath());

    for (int answer : {IDRETRY, IDCANCEL}) {
        app.PostClick(app::ChooseTemplateButton);
        dialog = app.WaitForFileDialog(L"打开标签模板文件");
        ASSERT_NE(dialog, nullptr);
        app.CancelFileDialog(dialog);
        auto box = app.WaitForMessageBox();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, L"没有选定文件");
        EXPECT_EQ(box->title, L"出错提示");
        EXPECT_TRUE(box->retry);
        EXPECT_TRUE(box->cancel);
        EXPECT_FALSE(box->ok);
        EXPECT_TRUE(box->icon);
        app.Answer(*box, answer);
        ASSERT_TRUE(WaitUntil([&] { return !app.FindMessageBox(); }));
        EXPECT_FALSE(WaitUntil([&] { return app.FindFileDialog() != nullptr; }, 1000)) << "nothing is retried";
        EXPECT_EQ(app.Text(app::TemplateBox), label);
        EXPECT_EQ(ReadBytes(app.configPath()), before);
    }
}

TEST_F(FileChoiceTest, LongChinesePathSurvivesARestart) {
    // Deep enough that its GBK form is longer than the classic 254-byte settings value, within what
    // the dialog itself handles (MAX_PATH).
    std::wstring folder = files.path();
    for (int i = 0; folder.size() < 200; ++i) {
        folder += L"\\出货清单目录" + std::to_wstring(i);
        ::CreateDirectoryW(folder.c_str(), nullptr);
    }
    std::wstring deep = folder + L"\\十二月 出货清单.xlsx";
    testing_support::WriteBytes(deep, "x");
    ASSERT_LT(deep.size(), 260u);
    ASSERT_GT(Gbk(deep).size(), 254u);

    LabelPrintApp app(L"long-path");
    ASSERT_TRUE(app.StartAndWaitForWindow());
    app.PostClick(app::ChooseWorkbookButton);
    HWND dialog = app.WaitForFileDialog(L"导入出货清单EXCEL文件");
    ASSERT_NE(dialog, nullptr);
    app.ChooseInFileDialog(dialog, deep);
    ASSERT_TRUE(WaitUntil([&] { return app.Text(app::WorkbookBox) == deep; }));
    std::string config = ReadBytes(app.configPath());
    app.PostClick(app::ExitButton);
    ASSERT_TRUE(app.WaitForExit());

    LabelPrintApp again(L"long-path-restart", config);
    ASSERT_TRUE(again.StartAndWaitForWindow());
    EXPECT_EQ(again.Text(app::WorkbookBox), deep);
}

}  // namespace
