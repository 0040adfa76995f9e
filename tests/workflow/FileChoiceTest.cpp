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

constexpr wchar_t kChooseWorkbook[] = L"导入出货清单EXCEL文件";
constexpr wchar_t kChooseTemplate[] = L"打开标签模板文件";

class FileChoiceTest : public ::testing::Test {
protected:
    StandinScenario bartender{L"BarTender"};
    TempDir files{L"chosen-files"};

    std::wstring MakeFile(const std::wstring& name) {
        std::wstring path = files / name;
        testing_support::WriteBytes(path, "x");
        return path;
    }

    // Chooses the file through the control's dialog and waits until its box shows it.
    static void Choose(LabelPrintApp& app, int control, const std::wstring& title, int box, const std::wstring& path) {
        ASSERT_TRUE(app.ChooseFile(control, title, path));
        ASSERT_TRUE(WaitUntil([&] { return app.Text(box) == path; }));
    }

    // Ends the program with 退出 and starts it again on the settings file it left.
    static std::unique_ptr<LabelPrintApp> Restart(LabelPrintApp& app) {
        std::string config = ReadBytes(app.configPath());
        app.PostClick(app::ExitButton);
        EXPECT_TRUE(app.WaitForExit());
        return Start(L"restart", config);
    }
};

TEST_F(FileChoiceTest, WorkbookButtonCreatesTheSettingsFileWithTheFullPath) {
    std::wstring workbook = MakeFile(L"出货清单（十二月）.xlsx");
    auto app = Start(L"choose-workbook");
    ASSERT_FALSE(testing_support::Exists(app->configPath()));

    HWND dialog = app->OpenFileDialog(app::ChooseWorkbookButton, kChooseWorkbook);
    ASSERT_NE(dialog, nullptr);
    // Two separate types: an .xlsx workbook shows only after switching the type.
    EXPECT_EQ(app->FileTypes(dialog), (Texts{L"(*.xls)", L"(*.xlsx)"}));
    app->ChooseInFileDialog(dialog, workbook);
    ASSERT_TRUE(WaitUntil([&] { return app->Text(app::WorkbookBox) == workbook; }));
    EXPECT_EQ(ReadBytes(app->configPath()), Gbk(L"[DATA]\r\nDB=" + workbook + L"\r\n"));
}

TEST_F(FileChoiceTest, ClickIntoTheWorkbookBoxChoosesForThisRunOnly) {
    std::wstring remembered = MakeFile(L"remembered.xls"), once = MakeFile(L"只用一次.xls");
    auto app = Start(L"click-workbook", Settings{.workbook = remembered});
    std::string before = ReadBytes(app->configPath());

    HWND dialog = app->OpenFileDialog(app::WorkbookBox, L"导入EXCEL文件");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(app->FileTypes(dialog), (Texts{L"(*.xls)", L"(*.xlsx)"}));
    app->ChooseInFileDialog(dialog, once);
    ASSERT_TRUE(WaitUntil([&] { return app->Text(app::WorkbookBox) == once; }));
    EXPECT_EQ(ReadBytes(app->configPath()), before);
    EXPECT_EQ(Restart(*app)->Text(app::WorkbookBox), remembered);
}

TEST_F(FileChoiceTest, TemplateButtonAndBoxUseTheTemplateDialog) {
    std::wstring label = MakeFile(L"标签模板 A.btw"), other = MakeFile(L"other.btw");
    auto app = Start(L"choose-template");

    for (int control : {app::ChooseTemplateButton, app::TemplateBox}) {
        HWND dialog = app->OpenFileDialog(control, kChooseTemplate);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(app->FileTypes(dialog), (Texts{L"(*.BTW)"}));
        std::wstring path = control == app::TemplateBox ? other : label;
        app->ChooseInFileDialog(dialog, path);
        ASSERT_TRUE(WaitUntil([&] { return app->Text(app::TemplateBox) == path; }));
        EXPECT_EQ(services::ReadIni(L"DATA", L"TP", app->configPath()), label) << "a click into the box is not remembered";
    }
}

TEST_F(FileChoiceTest, CancellingChangesNothingWhicheverAnswerIsGiven) {
    std::wstring workbook = MakeFile(L"book.xlsx"), label = MakeFile(L"label.btw");
    auto app = Start(L"cancel", Settings{.labelTemplate = label});
    Choose(*app, app::ChooseWorkbookButton, kChooseWorkbook, app::WorkbookBox, workbook);
    std::string before = ReadBytes(app->configPath());

    for (int answer : {IDRETRY, IDCANCEL}) {
        HWND dialog = app->OpenFileDialog(app::ChooseTemplateButton, kChooseTemplate);
        ASSERT_NE(dialog, nullptr);
        app->CancelFileDialog(dialog);
        auto box = app->WaitForMessageBox();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->Summary(), L"出错提示: 没有选定文件 [Retry Cancel] icon");
        app->Close(*box, answer);
        EXPECT_FALSE(WaitUntil([&] { return app->FindFileDialog() != nullptr; }, 1000)) << "nothing is retried";
        EXPECT_EQ(app->Text(app::TemplateBox), label);
        EXPECT_EQ(ReadBytes(app->configPath()), before);
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

    auto app = Start(L"long-path");
    Choose(*app, app::ChooseWorkbookButton, kChooseWorkbook, app::WorkbookBox, deep);
    EXPECT_EQ(Restart(*app)->Text(app::WorkbookBox), deep);
}

}  // namespace
