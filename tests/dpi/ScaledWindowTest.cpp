// The window at the display scaling of the screen it opens on, and when it moves to a screen of another
// one: each control's place, the client area and the fonts are the 100 % design's, scaled by DPI/96.
// LABELPRINT_DPI names the DPI the run expects (96 when unset); the scaled runs set the Wine prefix
// to it before this program starts (tools/with-dpi.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <memory>
#include <string>

#include "app/Controls.h"
#include "app/MainWindow.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowLayout.h"
#include "tests/workflow/AppDriver.h"

namespace {

using testing_support::ExpectedControl;
using testing_support::kExpectedControls;

UINT ExpectedDpi() {
    wchar_t value[16] = {};
    DWORD n = ::GetEnvironmentVariableW(L"LABELPRINT_DPI", value, 16);
    return n > 0 && n < 16 ? static_cast<UINT>(std::wcstoul(value, nullptr, 10)) : 96;
}

UINT ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

// A length of the 100 % design at a DPI, unrounded: the window may round either way.
double At(UINT dpi, long designPixels) { return designPixels * (dpi / 96.0); }

// A control's left, top, width and height in the client area of its window.
RECT Placement(HWND window, int id) {
    RECT r{};
    ::GetWindowRect(::GetDlgItem(window, id), &r);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return RECT{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    auto handle = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    if (handle) ::GetObjectW(handle, sizeof(font), &font);
    return font;
}

void ExpectClientAreaAt(HWND window, UINT dpi) {
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_NEAR(client.right, At(dpi, testing_support::kExpectedClientWidth), 1.0);
    EXPECT_NEAR(client.bottom, At(dpi, testing_support::kExpectedClientHeight), 1.0);
}

void ExpectPlaceAt(HWND window, const ExpectedControl& expected, UINT dpi) {
    RECT placed = Placement(window, expected.id);
    EXPECT_NEAR(placed.left, At(dpi, expected.place.left), 1.0);
    EXPECT_NEAR(placed.top, At(dpi, expected.place.top), 1.0);
    EXPECT_NEAR(placed.right, At(dpi, expected.place.right), 1.0) << "width";
    EXPECT_NEAR(placed.bottom, At(dpi, expected.place.bottom), 1.0) << "height";
}

// The client area, every control's place and every control's font, as the design has them at a DPI.
void ExpectLayoutAt(HWND window, UINT dpi) {
    ExpectClientAreaAt(window, dpi);
    for (const ExpectedControl& expected : kExpectedControls) {
        SCOPED_TRACE(expected.id);
        ExpectPlaceAt(window, expected, dpi);
        LOGFONTW font = FontOf(::GetDlgItem(window, expected.id));
        EXPECT_STREQ(font.lfFaceName, expected.face);
        EXPECT_NEAR(font.lfHeight, At(dpi, expected.fontHeight), 1.0) << "the same point size at this DPI";
        EXPECT_EQ(font.lfWeight, expected.bold ? FW_BOLD : FW_NORMAL);
    }
}

// The window created in this process, shown, with its messages run.
struct ShownWindow {
    ShownWindow() {
        created = form.Create(::GetModuleHandleW(nullptr));
        if (created) form.Show(SW_SHOWNORMAL);
        DispatchPending();
    }
    ~ShownWindow() {
        if (created) ::DestroyWindow(form.hwnd());
        DispatchPending();
    }
    static void DispatchPending() {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    HWND hwnd() const { return form.hwnd(); }
    HWND Control(int id) const { return ::GetDlgItem(form.hwnd(), id); }

    app::MainWindow form;
    bool created = false;
};

// What the system does when the window comes onto a screen of another DPI: WM_DPICHANGED with the new
// DPI and the place it suggests, here the window's place with the design's client area at that DPI
// inside the window's frame as it is.
RECT ChangeDpi(HWND window, UINT dpi) {
    RECT frame{}, client{};
    ::GetWindowRect(window, &frame);
    ::GetClientRect(window, &client);
    LONG frameWidth = (frame.right - frame.left) - client.right;
    LONG frameHeight = (frame.bottom - frame.top) - client.bottom;
    RECT suggested{frame.left + 7, frame.top + 5, 0, 0};
    suggested.right = suggested.left + frameWidth + ::MulDiv(testing_support::kExpectedClientWidth, dpi, 96);
    suggested.bottom = suggested.top + frameHeight + ::MulDiv(testing_support::kExpectedClientHeight, dpi, 96);
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    ShownWindow::DispatchPending();
    return suggested;
}

class ScaledWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ScreenDpi(), ExpectedDpi()) << "the Wine prefix's DPI (LogPixels) is not the one this run is for";
    }
    const UINT dpi = ExpectedDpi();
};

TEST_F(ScaledWindow, OpensWithTheDesignScaledToTheScreenDpi) {
    ShownWindow window;
    ASSERT_TRUE(window.created);
    ExpectLayoutAt(window.hwnd(), dpi);
}

TEST_F(ScaledWindow, TheProgramOpensScaledWithItsTextsAndTheFocusInTheFirstSpareBox) {
    auto app = workflow::Start(L"scaled");
    ExpectClientAreaAt(app->window(), dpi);
    for (const ExpectedControl& expected : kExpectedControls) {
        SCOPED_TRACE(expected.id);
        ExpectPlaceAt(app->window(), expected, dpi);
        EXPECT_EQ(app->Text(expected.id), expected.caption);
    }
    EXPECT_TRUE(app->WaitForFocus(app::Spare1Box));
}

TEST_F(ScaledWindow, ADpiChangeLaysTheWindowOutAnewAndKeepsFocusTextsAndSelections) {
    ShownWindow window;
    ASSERT_TRUE(window.created);
    // The operator is typing the key, with part of it selected, and has filled in the other boxes.
    const std::map<int, std::wstring> texts{{app::WorkbookBox, L"D:\\出货\\清单.xlsx"},
                                            {app::Spare1Box, L"备注"},
                                            {app::Spare2Box, L"第一批"},
                                            {app::KeyBox, L"A1001-X"},
                                            {app::QuantityBox, L"12"}};
    for (const auto& [id, text] : texts) ::SetWindowTextW(window.Control(id), text.c_str());
    ::SetFocus(window.Control(app::KeyBox));
    ::SendMessageW(window.Control(app::KeyBox), EM_SETSEL, 2, 5);
    ::SendMessageW(window.Control(app::Spare2Box), EM_SETSEL, 1, 3);
    std::map<int, RECT> before;
    for (const ExpectedControl& expected : kExpectedControls)
        before[expected.id] = Placement(window.hwnd(), expected.id);

    auto expectOperatorsWorkKept = [&] {
        EXPECT_EQ(::GetFocus(), window.Control(app::KeyBox)) << "the focus stays where the operator had it";
        for (const auto& [id, text] : texts) {
            wchar_t now[64] = {};
            ::GetWindowTextW(window.Control(id), now, 64);
            EXPECT_EQ(std::wstring(now), text) << "control " << id;
        }
        DWORD start = 0, end = 0;
        ::SendMessageW(window.Control(app::KeyBox), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 2u);
        EXPECT_EQ(end, 5u);
        ::SendMessageW(window.Control(app::Spare2Box), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 1u);
        EXPECT_EQ(end, 3u);
    };

    // Onto a screen of another scaling...
    const UINT other = dpi == 144 ? 192 : 144;
    {
        SCOPED_TRACE("at the other DPI");
        RECT suggested = ChangeDpi(window.hwnd(), other);
        RECT frame{};
        ::GetWindowRect(window.hwnd(), &frame);
        EXPECT_EQ(frame.left, suggested.left);
        EXPECT_EQ(frame.top, suggested.top);
        EXPECT_EQ(frame.right, suggested.right);
        EXPECT_EQ(frame.bottom, suggested.bottom);
        ExpectLayoutAt(window.hwnd(), other);
        expectOperatorsWorkKept();
    }
    // ...and back: every control exactly where it was.
    {
        SCOPED_TRACE("back at the screen's DPI");
        ChangeDpi(window.hwnd(), dpi);
        ExpectLayoutAt(window.hwnd(), dpi);
        for (const ExpectedControl& expected : kExpectedControls) {
            RECT placed = Placement(window.hwnd(), expected.id);
            EXPECT_TRUE(::EqualRect(&placed, &before[expected.id])) << "control " << expected.id;
        }
        expectOperatorsWorkKept();
    }
    // The Tab order is still the design's.
    HWND next = ::GetNextDlgTabItem(window.hwnd(), window.Control(app::KeyBox), FALSE);
    EXPECT_EQ(next, window.Control(app::QuantityBox));
    next = ::GetNextDlgTabItem(window.hwnd(), window.Control(app::ExitButton), FALSE);
    EXPECT_EQ(next, window.Control(app::WorkbookBox));
}

// The system takes its awareness from the manifest the way this test reads it: through an activation
// context made from the program's manifest resource.
TEST(ProgramManifest, AsksForPerMonitorScalingAndForTheOlderOneOnOlderSystems) {
    const std::wstring exe = testing_support::BinFolder() + L"\\labelprint.exe";
    ACTCTXW description{sizeof(description)};
    description.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    description.lpSource = exe.c_str();
    description.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    HANDLE context = ::CreateActCtxW(&description);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "labelprint.exe has no manifest the system can read";
    std::unique_ptr<void, decltype(&::ReleaseActCtx)> release(context, &::ReleaseActCtx);
    auto setting = [&](const wchar_t* ns, const wchar_t* name) {
        wchar_t value[128] = {};
        SIZE_T written = 0;
        if (!::QueryActCtxSettingsW(0, context, ns, name, value, 128, &written)) return std::wstring(L"(not set)");
        return std::wstring(value);
    };

    // Windows 10 1607 and later read this one and take the first value of the list that they know.
    std::wstring awareness = setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness");
    EXPECT_EQ(awareness.substr(0, awareness.find(L',')), L"PerMonitorV2");
    // Older systems read only this one.
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true/pm");
}

}  // namespace

int main(int argc, char** argv) {
    // Windows gives a program that does not declare its awareness the 96-DPI view of every window (Wine
    // makes every program aware).
    using SetAwareness = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    auto setAwareness = reinterpret_cast<SetAwareness>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (!setAwareness || !setAwareness(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) ::SetProcessDPIAware();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
