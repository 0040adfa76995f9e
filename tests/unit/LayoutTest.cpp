// The window's controls as created: fonts, kinds and limits that are not visible from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/Controls.h"
#include "app/MainWindow.h"

namespace {

struct Expected {
    const wchar_t* face;
    LONG height;  // pixels at 96 DPI
    LONG weight;
};

Expected ExpectedFont(app::FontId font) {
    switch (font) {
        case app::FontId::Window: return {L"Arial Narrow", -24, FW_BOLD};
        case app::FontId::Arial18: return {L"Arial", -24, FW_NORMAL};
        case app::FontId::Arial15: return {L"Arial", -20, FW_NORMAL};
        case app::FontId::Arial1425: return {L"Arial", -19, FW_NORMAL};
    }
    return {};
}

TEST(Layout, EveryControlHasItsFontKindAndNoLengthLimit) {
    app::MainWindow form;
    ASSERT_TRUE(form.Create(::GetModuleHandleW(nullptr)));
    EXPECT_FALSE(::IsWindowVisible(form.hwnd())) << "the window stays hidden until start-up is done";

    for (const app::ControlSpec& spec : app::kControls) {
        SCOPED_TRACE(spec.id);
        HWND control = ::GetDlgItem(form.hwnd(), spec.id);
        ASSERT_NE(control, nullptr);

        LOGFONTW font{};
        auto handle = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_NE(handle, nullptr);
        ASSERT_GT(::GetObjectW(handle, sizeof(font), &font), 0);
        Expected expected = ExpectedFont(spec.font);
        EXPECT_STREQ(font.lfFaceName, expected.face);
        EXPECT_EQ(font.lfHeight, expected.height);
        EXPECT_EQ(font.lfWeight, expected.weight);

        wchar_t cls[32] = {};
        ::GetClassNameW(control, cls, 32);
        LONG style = ::GetWindowLongW(control, GWL_STYLE);
        switch (spec.kind) {
            case app::Kind::Label:
                EXPECT_EQ(_wcsicmp(cls, L"Static"), 0);
                EXPECT_FALSE(style & WS_TABSTOP);
                break;
            case app::Kind::TextBox:
                EXPECT_EQ(_wcsicmp(cls, L"Edit"), 0);
                EXPECT_TRUE(style & WS_TABSTOP);
                EXPECT_GE(::SendMessageW(control, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
                break;
            case app::Kind::Button:
                EXPECT_EQ(_wcsicmp(cls, L"Button"), 0);
                EXPECT_TRUE(style & WS_TABSTOP);
                break;
        }
    }
    // Only the status line reports clicks.
    EXPECT_TRUE(::GetWindowLongW(::GetDlgItem(form.hwnd(), app::StatusLine), GWL_STYLE) & SS_NOTIFY);
    EXPECT_FALSE(::GetWindowLongW(::GetDlgItem(form.hwnd(), app::KeyColumnCaption), GWL_STYLE) & SS_NOTIFY);
    ::DestroyWindow(form.hwnd());
}

}  // namespace
