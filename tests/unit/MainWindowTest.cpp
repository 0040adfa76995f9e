// The window created in this process: what its procedures do with a handler that throws (a print that
// fails gives its button back), and the busy pointer over it. Both need the window's own thread, which
// is this one here.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "app/ServerWait.h"
#include "app/Controls.h"
#include "app/MainWindow.h"

namespace {
// While set, every allocation of this program fails, as when memory runs out.
bool g_allocationsFail = false;
}  // namespace

// Replaces the program's allocation for this test executable, so a handler can be made to run out of
// memory exactly where it first allocates.
void* operator new(std::size_t size) {
    if (g_allocationsFail) throw std::bad_alloc();
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

// Dispatches the messages waiting for this thread as the message loop does; the given message runs
// out of memory.
void DispatchPending(UINT failingMessage = 0) {
    struct Failing {
        explicit Failing(bool on) { g_allocationsFail = on; }
        ~Failing() { g_allocationsFail = false; }  // also when the exception gets out here
    };
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        Failing outOfMemory(msg.message == failingMessage);
        ::DispatchMessageW(&msg);
    }
}

struct Window {
    Window() {
        created = form.Create(::GetModuleHandleW(nullptr));
        if (created) ::ShowWindow(form.hwnd(), SW_SHOWNORMAL);
        DispatchPending();
    }
    ~Window() {
        if (created) ::DestroyWindow(form.hwnd());
        DispatchPending();
    }
    HWND Control(int id) const { return ::GetDlgItem(form.hwnd(), id); }

    app::MainWindow form;
    bool created = false;
};

TEST(WindowProcedures, AHandlerThatRunsOutOfMemoryEndsThereAndTheWindowGoesOn) {
    Window window;
    ASSERT_TRUE(window.created);
    HWND main = window.form.hwnd();
    HWND templateBox = window.Control(app::TemplateBox);

    // A click into the template box, through the box's own procedure: choosing the file fails at its
    // first allocation, before any dialog.
    ::PostMessageW(templateBox, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageW(templateBox, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    DispatchPending(WM_LBUTTONUP);
    EXPECT_TRUE(::IsWindowEnabled(main)) << "no dialog came up";
    // The "..." button's command, through the window's procedure.
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(app::ChooseTemplateButton, BN_CLICKED),
                   reinterpret_cast<LPARAM>(window.Control(app::ChooseTemplateButton)));
    DispatchPending(WM_COMMAND);
    EXPECT_TRUE(::IsWindowEnabled(main)) << "no dialog came up";
    // 打印: the print runs out of memory after it disabled its button and set the busy pointer.
    HWND printButton = window.Control(app::PrintButton);
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(app::PrintButton, BN_CLICKED), reinterpret_cast<LPARAM>(printButton));
    DispatchPending(WM_COMMAND);
    EXPECT_TRUE(::IsWindowEnabled(printButton)) << "the button comes back for the next print";
    EXPECT_FALSE(app::ShowWorkPointer(main)) << "and the pointer is the normal one again";

    ASSERT_TRUE(::IsWindow(main));
    EXPECT_TRUE(::IsWindowEnabled(main)) << "no dialog was left half open";
    EXPECT_EQ(::GetWindowTextLengthW(templateBox), 0);
    // Both procedures still answer: Enter moves the focus on, a command reaches its handler.
    ::SetFocus(window.Control(app::Spare1Box));
    ::PostMessageW(window.Control(app::Spare1Box), WM_KEYDOWN, VK_RETURN, 1);
    DispatchPending();
    EXPECT_EQ(::GetFocus(), window.Control(app::Spare2Box));
    ::SendMessageW(main, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(::GetFocus(), window.Control(app::Spare1Box));
}

// The pointer over the window as the system sets it when the pointer moves onto a control.
HCURSOR PointerOver(HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    LRESULT hit = ::SendMessageW(control, WM_NCHITTEST, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    ::SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(LOWORD(hit), WM_MOUSEMOVE));
    return ::GetCursor();
}

TEST(WorkPointer, IsTheAppStartingPointerOverTheWholeWindowUntilTheLastPieceOfWorkEnds) {
    Window window;
    ASSERT_TRUE(window.created);
    const HCURSOR busy = ::LoadCursorW(nullptr, IDC_APPSTARTING);
    const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    const HCURSOR beam = ::LoadCursorW(nullptr, IDC_IBEAM);
    HWND keyBox = window.Control(app::KeyBox), caption = window.Control(app::QuantityCaption);
    HWND printButton = window.Control(app::PrintButton);
    ASSERT_EQ(PointerOver(keyBox), beam);
    ASSERT_EQ(PointerOver(caption), arrow);

    {
        app::ServerWait lookup(window.form.hwnd(), app::kExcelWait);
        EXPECT_EQ(::GetCursor(), busy) << "at once, without waiting for the pointer to move";
        EXPECT_EQ(PointerOver(keyBox), busy);
        EXPECT_EQ(PointerOver(printButton), busy);
        {
            app::ServerWait print(window.form.hwnd(), app::kPrintWait);
            EXPECT_EQ(PointerOver(caption), busy);
        }
        EXPECT_EQ(PointerOver(caption), busy) << "the outer piece of work still runs";
        {
            // A message box asks the operator something: the program now waits for them.
            app::ServerWait::Question question(window.form.hwnd());
            EXPECT_EQ(::GetCursor(), arrow);
            EXPECT_EQ(PointerOver(keyBox), beam);
        }
        EXPECT_EQ(::GetCursor(), busy) << "the work goes on after the answer";
        // A dialog on top disables the window.
        ::EnableWindow(window.form.hwnd(), FALSE);
        EXPECT_NE(PointerOver(caption), busy);
        ::EnableWindow(window.form.hwnd(), TRUE);
        EXPECT_EQ(PointerOver(keyBox), busy);
    }
    EXPECT_EQ(::GetCursor(), beam) << "the box's own pointer, at once";
    EXPECT_EQ(PointerOver(caption), arrow);

    // Work while the pointer is elsewhere leaves the pointer alone.
    RECT frame{};
    ::GetWindowRect(window.form.hwnd(), &frame);
    POINT outside{frame.right + 5, frame.bottom + 5};
    ::SetCursorPos(outside.x, outside.y);
    HWND under = ::WindowFromPoint(outside);
    ASSERT_FALSE(under == window.form.hwnd() || ::IsChild(window.form.hwnd(), under));
    ::SetCursor(beam);
    {
        app::ServerWait lookup(window.form.hwnd(), app::kExcelWait);
        EXPECT_EQ(::GetCursor(), beam);
    }
    EXPECT_EQ(::GetCursor(), beam);
}

}  // namespace
