// The operator's keyboard path through the window: where the focus goes when the window appears, is
// restored or comes back, and what Enter does in each box and on each button. (Tab walks the controls
// in their creation order, through the dialog manager in the message loop.)
//
//   spare item 1, Enter, spare item 2, Enter, item key, Enter (lookup), quantity, Enter (print button)
#include "app/MainWindow.h"

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
