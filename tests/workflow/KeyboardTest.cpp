// The operator's keyboard: Enter presses the focused button, and Enter with Shift, Ctrl or Alt held
// is Enter, driven through the real window.
#include <gtest/gtest.h>

#include "app/Controls.h"
#include "services/SettingsFile.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::ReadBytes;
using testing_support::TempDir;
using Strings = std::vector<std::string>;

namespace {

class KeyboardTest : public ::testing::Test {
protected:
    std::unique_ptr<LabelPrintApp> StartWithTemplate(const std::wstring& name) {
        auto app = Start(
            name, Settings{.keyColumn = L"1", .workbook = FixturePath(L"print.xlsx"), .labelTemplate = allFields});
        EXPECT_TRUE(app->WaitForFocus(app::Spare1Box));
        return app;
    }

    // Moves the focus with Tab until it reaches the control.
    static bool TabTo(LabelPrintApp& app, int id) {
        for (int i = 0; i < 12 && app.FocusId() != id; ++i) {
            int from = app.FocusId();
            app.PostKey(from, VK_TAB);
            WaitUntil([&] { return app.FocusId() != from; }, 5000);
        }
        return app.FocusId() == id;
    }

    // Waits until the program has handled every message posted to it so far: a key posted after them
    // reaches the second spare box last.
    static void WaitForPostedInput(LabelPrintApp& app) {
        app.SetText(app::Spare2Box, L"");
        app.PostKey(app::Spare2Box, 'Z');
        ASSERT_TRUE(WaitUntil([&] { return app.Text(app::Spare2Box) == L"z"; }));
    }

    BarTenderScenario bartender;
    StandinScenario excel{L"Excel"};
    std::wstring allFields = FixturePath(L"templates\\all-fields.btw");
};

TEST_F(KeyboardTest, QuantityEnterEnterPrintsOnceAndAHeldOrRepeatedEnterPrintsNoMore) {
    auto app = StartWithTemplate(L"enter-prints");
    ASSERT_TRUE(app->FindItem(L"P-TEXT"));
    app->SetText(app::QuantityBox, L"2");
    bartender.ClearLog();

    // Enter in the quantity box only moves on. Held down, the key repeats on the print button: the
    // repeats are no new press.
    app->PostKeyDown(app::QuantityBox, VK_RETURN);
    ASSERT_TRUE(app->WaitForFocus(app::PrintButton));
    app->PostKeyDown(app::PrintButton, VK_RETURN, true);
    app->PostKeyDown(app::PrintButton, VK_RETURN, true);
    WaitForPostedInput(*app);
    EXPECT_EQ(bartender.Briefs(), Strings{}) << "nothing is printed yet";
    EXPECT_EQ(app->Text(app::StatusLine), L"");

    // The second Enter prints, as a click does. Its repeats, and a second press while the print runs,
    // find the button disabled as a second click would.
    app->PostKeyDown(app::PrintButton, VK_RETURN);
    app->PostKeyDown(app::PrintButton, VK_RETURN, true);
    app->PostKeyDown(app::PrintButton, VK_RETURN, true);
    app->PostKeyDown(app::PrintButton, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return app->Text(app::StatusLine) == L"打印完成" && app->Enabled(app::PrintButton); }));
    app->PostKeyDown(app::PrintButton, VK_RETURN, true);
    WaitForPostedInput(*app);
    EXPECT_EQ(bartender.Answered("Format.PrintOut"), 1u);
    ASSERT_EQ(bartender.Prints().size(), 1u);
    EXPECT_EQ(bartender.Prints()[0]["labels"].Integer(), 2);
    EXPECT_EQ(app->FocusId(), app::PrintButton) << "the focus stays on the button after the print";

    // A new press prints again.
    app->PostEnter(app::PrintButton);
    EXPECT_TRUE(WaitUntil([&] { return bartender.Prints().size() == 2 && app->Enabled(app::PrintButton); }));
    EXPECT_EQ(bartender.Answered("Format.PrintOut"), 2u);
}

TEST_F(KeyboardTest, EnterOnTheFocusedExitButtonEndsTheProgramAsAClickWould) {
    auto app = StartWithTemplate(L"enter-exit");
    app->PostEnter(app::QuantityBox);
    ASSERT_TRUE(app->WaitForFocus(app::PrintButton));
    ASSERT_TRUE(TabTo(*app, app::ExitButton));
    bartender.ClearLog();
    app->PostEnter(app::ExitButton);
    ASSERT_TRUE(app->WaitForExit());
    EXPECT_EQ(app->ExitCode(), 0u);
    EXPECT_EQ(bartender.Briefs(), (Strings{"Application.Quit(I4:0)"}));
    EXPECT_TRUE(bartender.Prints().empty());
}

TEST_F(KeyboardTest, EnterOnAFocusedChooseButtonOpensItsDialogOnce) {
    TempDir files{L"enter-choose-files"};
    std::wstring label = files / L"标签.btw";
    testing_support::WriteBytes(label, ReadBytes(allFields));
    auto app = StartWithTemplate(L"enter-choose");

    ASSERT_TRUE(TabTo(*app, app::ChooseWorkbookButton));
    app->PostEnter(app::ChooseWorkbookButton);
    HWND dialog = app->WaitForFileDialog(L"导入出货清单EXCEL文件");
    ASSERT_NE(dialog, nullptr);
    app->CancelFileDialog(dialog);
    auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"没有选定文件");
    app->Close(*box, IDCANCEL);
    EXPECT_FALSE(WaitUntil([&] { return app->FindFileDialog() != nullptr; }, 1000)) << "one press, one dialog";

    ASSERT_TRUE(TabTo(*app, app::ChooseTemplateButton));
    app->PostEnter(app::ChooseTemplateButton);
    dialog = app->WaitForFileDialog(L"打开标签模板文件");
    ASSERT_NE(dialog, nullptr);
    app->ChooseInFileDialog(dialog, label);
    ASSERT_TRUE(WaitUntil([&] { return app->Text(app::TemplateBox) == label; }));
    EXPECT_EQ(services::ReadIni(L"DATA", L"TP", app->configPath()), label);
    EXPECT_FALSE(app->FindMessageBox().has_value());
}

TEST_F(KeyboardTest, AltEnterAndShiftEnterMoveTheFocusLikeEnterAndStartTheLookup) {
    auto app = StartWithTemplate(L"modified-enter");
    app->SetText(app::Spare1Box, L"备注");
    ASSERT_TRUE(app->SendKeys({VK_MENU, VK_RETURN}));
    ASSERT_TRUE(app->WaitForFocus(app::Spare2Box, 5000));
    ASSERT_TRUE(app->SendKeys({VK_SHIFT, VK_RETURN}));
    ASSERT_TRUE(app->WaitForFocus(app::KeyBox, 5000));

    app->SetText(app::KeyBox, L"P-TEXT");
    // Alt let go before Enter, while the lookup runs: no window menu.
    ASSERT_TRUE(app->SendKeys({VK_MENU, VK_RETURN}, true));
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox)) << "the lookup found the key";
    EXPECT_FALSE(app->FindMessageBox().has_value());

    ASSERT_TRUE(app->SendKeys({VK_CONTROL, VK_RETURN}));
    ASSERT_TRUE(app->WaitForFocus(app::PrintButton, 5000));
    EXPECT_EQ(app->Text(app::Spare1Box), L"备注") << "the boxes' texts are untouched";
    EXPECT_EQ(app->Text(app::QuantityBox), L"1");

    // Back in the key box, Shift+Enter looks the key up as well.
    ASSERT_TRUE(app->SendKeys({VK_SHIFT, VK_TAB}));
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox, 5000));
    ASSERT_TRUE(app->SendKeys({VK_SHIFT, VK_TAB}));
    ASSERT_TRUE(app->WaitForFocus(app::KeyBox, 5000));
    ASSERT_TRUE(app->SendKeys({VK_SHIFT, VK_RETURN}));
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox)) << "found again";
    EXPECT_TRUE(bartender.Prints().empty());

    GUITHREADINFO info{sizeof(info)};
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(app->window(), nullptr), &info));
    EXPECT_EQ(info.flags & (GUI_INMENUMODE | GUI_SYSTEMMENUMODE | GUI_POPUPMENUMODE), 0u)
        << "letting go of Alt after Enter opens no menu";
}

}  // namespace
