// The window's controls as created: fonts, kinds and limits that are not visible from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "tests/support/WindowLayout.h"

namespace {

using testing_support::ExpectedControl;

TEST(Layout, EveryControlHasItsFontKindAndNoLengthLimit) {
    app::MainWindow window;
    ASSERT_TRUE(window.Create(::GetModuleHandleW(nullptr)));
    EXPECT_FALSE(::IsWindowVisible(window.hwnd())) << "the window stays hidden until start-up is done";

    for (const ExpectedControl& expected : testing_support::kExpectedControls) {
        SCOPED_TRACE(expected.id);
        HWND control = ::GetDlgItem(window.hwnd(), expected.id);
        ASSERT_NE(control, nullptr);

        LOGFONTW font{};
        auto handle = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_NE(handle, nullptr);
        ASSERT_GT(::GetObjectW(handle, sizeof(font), &font), 0);
        EXPECT_STREQ(font.lfFaceName, expected.face);
        EXPECT_EQ(font.lfHeight, expected.fontHeight);
        EXPECT_EQ(font.lfWeight, expected.bold ? FW_BOLD : FW_NORMAL);
        EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);

        wchar_t cls[32] = {};
        ::GetClassNameW(control, cls, 32);
        EXPECT_EQ(_wcsicmp(cls, expected.kind), 0) << "class " << testing::PrintToString(std::wstring(cls));
        LONG style = ::GetWindowLongW(control, GWL_STYLE);
        bool label = _wcsicmp(expected.kind, L"Static") == 0;
        EXPECT_EQ((style & WS_TABSTOP) != 0, !label) << "labels never take the focus";
        if (_wcsicmp(expected.kind, L"Edit") == 0) {
            EXPECT_GE(::SendMessageW(control, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE) << "no length limit";
        }
        // Only the status line reports clicks.
        EXPECT_EQ((style & SS_NOTIFY) != 0 && label, expected.id == 1002);
    }
    ::DestroyWindow(window.hwnd());
}

}  // namespace
