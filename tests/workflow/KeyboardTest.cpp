// The operator's keyboard: Enter presses the focused button, and Enter with Shift, Ctrl or Alt held
// is Enter, driven through the real window.
#include <gtest/gtest.h>

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

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override { bartender.Set(L"PrintLog", out / L"prints.log"); }

    std::unique_ptr<LabelPrintApp> Start(const std::wstring& name) {
        auto app = std::make_unique<LabelPrintApp>(
            name, Gbk(L"[settings]\r\n查询列=1\r\n[DATA]\r\nDB=" + printBook + L"\r\nTP=" + allFields + L"\r\n"));
        EXPECT_TRUE(app->StartAndWaitForWindow());
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

    std::size_t PrintCount() const { return testing_support::ParseJsonLines(ReadBytes(out / L"prints.log")).size(); }

    std::size_t PrintOutCalls() const {
        std::size_t n = 0;
        for (const Call& call : bartender.Calls()) n += call.member == "PrintOut";
        return n;
    }

    StandinScenario bartender{L"BarTender"};
    StandinScenario excel{L"Excel"};
    TempDir out{L"keyboard"};
    std::wstring allFields = FixturePath(L"templates\\all-fields.btw");
    std::wstring printBook = FixturePath(L"print.xlsx");
};

TEST_F(KeyboardTest, AltEnterAndShiftEnterMoveTheFocusLikeEnterAndStartTheLookup) {
    auto app = Start(L"modified-enter");
    app->SetText(app::Spare1Box, L"备注");
    ASSERT_TRUE(app->SendKeys({VK_MENU, VK_RETURN}));
    ASSERT_TRUE(app->WaitForFocus(app::Spare2Box, 5000));
    ASSERT_TRUE(app->SendKeys({VK_SHIFT, VK_RETURN}));
    ASSERT_TRUE(app->WaitForFocus(app::KeyBox, 5000));

    app->SetText(app::KeyBox, L"P-TEXT");
    ASSERT_TRUE(app->SendKeys({VK_MENU, VK_RETURN}));
    ASSERT_TRUE(app->WaitForFocus(app::QuantityBox)) << "the lookup found the key";
    EXPECT_FALSE(app->FindMessageBox().has_value());

    ASSERT_TRUE(app->SendKeys({VK_CONTROL, VK_RETURN}));
    ASSERT_TRUE(app->WaitForFocus(app::PrintButton, 5000));
    EXPECT_EQ(app->Text(app::Spare1Box), L"备注") << "the boxes' texts are untouched";
    EXPECT_EQ(app->Text(app::QuantityBox), L"1");

    GUITHREADINFO info{sizeof(info)};
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(app->window(), nullptr), &info));
    EXPECT_EQ(info.flags & (GUI_INMENUMODE | GUI_SYSTEMMENUMODE | GUI_POPUPMENUMODE), 0u)
        << "letting go of Alt after Enter opens no menu";
}

}  // namespace
