// The pointer while a lookup runs: busy over the window, normal again once the lookup is over or asks
// the operator something. The program's pointer handles are its own, so the test tells shapes apart by
// comparing them with the ones the program shows before the lookup.
#include <gtest/gtest.h>

#include <optional>

#include "app/Controls.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;

namespace {

class BusyPointerTest : public ::testing::Test {
protected:
    StandinScenario bartender{L"BarTender"};
    StandinScenario excel{L"Excel"};
};

// The shape the program shows once the pointer has rested over the control for a moment.
HCURSOR SettledCursorAt(LabelPrintApp& app, int id) {
    app.PointAt(id);
    HCURSOR last = nullptr;
    int same = 0;
    WaitUntil(
        [&] {
            HCURSOR now = app.Cursor();
            same = now && now == last ? same + 1 : 0;
            last = now;
            return same >= 10;
        },
        5000, 20);
    return last;
}

TEST_F(BusyPointerTest, ASlowLookupShowsTheBusyPointerUntilItEndsOrAsks) {
    auto app = Start(L"busy-pointer", Settings{.keyColumn = L"1", .workbook = FixturePath(L"print.xlsx")});
    // The pointer shape read from outside is that of the thread in front.
    ::SetForegroundWindow(app->window());
    ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == app->window(); }, 5000));
    HCURSOR overCaption = SettledCursorAt(*app, app::QuantityCaption);
    HCURSOR overKeyBox = SettledCursorAt(*app, app::KeyBox);
    ASSERT_NE(overKeyBox, nullptr);
    ASSERT_NE(overKeyBox, overCaption) << "a text box has a pointer of its own";
    app->PostEnter(app::Spare1Box);
    app->PostEnter(app::Spare2Box);
    ASSERT_TRUE(app->WaitForFocus(app::KeyBox));
    excel.Set(L"SlowAt", L"Workbooks.Open");
    excel.Set(L"SlowMs", 2000);

    for (const wchar_t* key : {L"P-TEXT", L"NO-SUCH-ITEM"}) {
        SCOPED_TRACE(testing_support::Utf8(key));
        ASSERT_TRUE(app->WaitForFocus(app::KeyBox));
        app->SetText(app::KeyBox, key);
        app->PostEnter(app::KeyBox);
        HCURSOR busy = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (busy = app->Cursor()) != nullptr && busy != overKeyBox; }, 5000));
        EXPECT_NE(busy, overCaption);
        EXPECT_EQ(app->Text(app::StatusLine), L"") << "no text says it";
        EXPECT_EQ(app->Text(app::KeyBox), key);

        std::optional<MessageBoxInfo> box;
        ASSERT_TRUE(WaitUntil([&] { return app->FocusId() == app::QuantityBox || (box = app->FindMessageBox()); }));
        if (box) {
            // The lookup waits for the operator now.
            EXPECT_EQ(box->text, L"查询ITEM不存在！");
            EXPECT_NE(app->Cursor(), busy);
            app->Close(*box);
        }
        EXPECT_TRUE(WaitUntil([&] { return app->Cursor() == overKeyBox; }, 5000)) << "the box's own pointer is back";
        if (!box) {
            // Back to the key box: Shift+Tab from the quantity box.
            ASSERT_TRUE(app->SendKeys({VK_SHIFT, VK_TAB}));
        }
    }
}

}  // namespace
