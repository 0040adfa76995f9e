// The operator's keyboard path through the window: where the focus goes when the window appears, is
// restored or comes back, and what Enter does in each box and on each button. (Tab walks the controls
// in their creation order, through the dialog manager in the message loop.)
//
//   spare item 1, Enter, spare item 2, Enter, item key, Enter (lookup), quantity, Enter (print button)
#include "app/MainWindow.h"

#include <commctrl.h>

#include <optional>

namespace app {

namespace {
// lParam bit of a key message: the key was already down, so this is the keyboard's auto-repeat.
constexpr LPARAM kKeyWasDown = LPARAM{1} << 30;

// Enter in a box: the control the focus moves to, or the handler that runs.
struct EnterMove {
    ControlId from;
    ControlId to;                 // when no handler runs
    void (MainWindow::*handler)();
};
}  // namespace

// Every resize (the first appearance too, minimising and restoring) puts the focus into the first box.
void MainWindow::OnResize() {
    FocusOn(Spare1Box);
    focusToRestore_ = Control(Spare1Box);
}

// Remembers the focused control when the window is deactivated, so activation brings it back.
void MainWindow::OnActivate(WPARAM state) {
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd_, focus)) focusToRestore_ = focus;
        return;
    }
    if (!::IsIconic(hwnd_)) ::SetFocus(focusToRestore_ ? focusToRestore_ : Control(Spare1Box));
}

void MainWindow::OnFocus() {
    if (focusToRestore_ && ::IsWindow(focusToRestore_)) ::SetFocus(focusToRestore_);
}

// The keys a box or button is sent, before the control itself sees them: a result when the key was
// dealt with here, nothing when the control goes on to handle it as usual.
std::optional<LRESULT> MainWindow::OnControlKey(HWND control, ControlId id, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_GETDLGCODE: {
            // Boxes and buttons see Enter themselves instead of the dialog manager turning it into a
            // press of a default button, which this window does not have.
            LRESULT code = ::DefSubclassProc(control, msg, wParam, lParam);
            auto* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) code |= DLGC_WANTALLKEYS;
            return code;
        }
        case WM_KEYDOWN:
            if (!IsButton(id)) {
                OnKeyDown(id, wParam);
                return std::nullopt;  // a text box still gets the key
            }
            if (wParam != VK_RETURN) return std::nullopt;
            OnEnter(control, id, lParam);
            return 0;
        case WM_SYSKEYDOWN: {
            // Alt+Enter comes as a system key and is Enter all the same. The system sees it first, so it
            // knows Alt went with another key and letting go of Alt does not open the window menu.
            if (wParam != VK_RETURN || !TakesEnter(id)) return std::nullopt;
            LRESULT result = ::DefSubclassProc(control, msg, wParam, lParam);
            OnEnter(control, id, lParam);
            return result;
        }
        case WM_SYSCHAR:
            // The character of Alt+Enter would make the window menu beep for a menu key it lacks.
            if (wParam == L'\r' && TakesEnter(id)) return 0;
            return std::nullopt;
        default: return std::nullopt;
    }
}

void MainWindow::OnKeyDown(ControlId id, WPARAM key) {
    static constexpr EnterMove kEnterMoves[] = {
        {Spare1Box, Spare2Box, nullptr},
        {Spare2Box, KeyBox, nullptr},
        {KeyBox, KeyBox, &MainWindow::LookUpItem},
        // The print button is focused, not pressed.
        {QuantityBox, PrintButton, nullptr},
    };
    if (key != VK_RETURN) return;  // every other key is the box's own
    for (const EnterMove& move : kEnterMoves) {
        if (move.from != id) continue;
        if (move.handler) return (this->*move.handler)();
        return FocusOn(move.to);
    }
}

// Enter, with or without Shift, Ctrl or Alt. On a button it is a click, through the same command and its
// guards, once per press of the key: its auto-repeat presses nothing (a held Enter must not print again
// the moment a print ends, nor print at all when the quantity box's Enter moved the focus to 打印).
void MainWindow::OnEnter(HWND control, ControlId id, LPARAM keyData) {
    if (!IsButton(id)) return OnKeyDown(id, VK_RETURN);
    if (keyData & kKeyWasDown) return;
    ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

}  // namespace app
