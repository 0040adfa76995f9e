// The pointer while a lookup runs: busy over the whole window, normal again once the lookup is over.
#include <gtest/gtest.h>

#include "app/Controls.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::Gbk;

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
    WaitUntil([&] {
        HCURSOR now = app.Cursor();
        same = now && now == last ? same + 1 : 0;
        last = now;
        return same >= 10;
    }, 5000, 20);
    return last;
}

TEST_F(BusyPointerTest, TheBusyPointerShowsWhileALookupRunsAndGoesWhenItEnds) {
    LabelPrintApp app(L"busy-pointer", Gbk(L"[settings]\r\n查询列=1\r\n[DATA]\r\nDB=" + FixturePath(L"print.xlsx") + L"\r\n"));
    ASSERT_TRUE(app.StartAndWaitForWindow());
    ::SetForegroundWindow(app.window());
    HCURSOR overLabel = SettledCursorAt(app, app::QuantityCaption);
    HCURSOR overBox = SettledCursorAt(app, app::KeyBox);
    ASSERT_NE(overBox, nullptr);
    ASSERT_NE(overBox, overLabel) << "a text box has its own pointer";

    excel.Set(L"OpenDelayMs", 3000);
    app.PostEnter(app::Spare2Box);
    ASSERT_TRUE(app.WaitForFocus(app::KeyBox));
    app.SetText(app::KeyBox, L"P-TEXT");
    app.PostEnter(app::KeyBox);
    HCURSOR busy = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (busy = app.Cursor()) != overBox; }, 5000));
    EXPECT_NE(busy, overLabel);
    printf("label %p box %p busy %p\n", overLabel, overBox, busy);
    ASSERT_TRUE(app.WaitForFocus(app::QuantityBox));
    EXPECT_TRUE(WaitUntil([&] { return app.Cursor() == overBox; }, 5000)) << "the box's own pointer is back";
}

}  // namespace
