#include "win/WaitCursor.h"

#include <commctrl.h>

namespace win {

WaitCursor::WaitCursor(HWND window) noexcept : window_(window) {
    subclassed_ = window_ && ::SetWindowSubclass(window_, &WaitCursor::OnMessage, reinterpret_cast<UINT_PTR>(this), 0);
    previous_ = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

WaitCursor::~WaitCursor() {
    if (subclassed_) ::RemoveWindowSubclass(window_, &WaitCursor::OnMessage, reinterpret_cast<UINT_PTR>(this));
    if (previous_) ::SetCursor(previous_);
}

LRESULT CALLBACK WaitCursor::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) noexcept {
    // The controls pass the question up to the window, which answers it for them.
    if (msg == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace win
