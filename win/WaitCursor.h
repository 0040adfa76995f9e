#pragma once
// The wait cursor over a window while the program waits for something outside it.
#include <windows.h>

namespace win {

// Shows the wait cursor over a window's client area while it lives.
class WaitCursor {
public:
    explicit WaitCursor(HWND window) noexcept;
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    static LRESULT CALLBACK OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) noexcept;

    HWND window_;
    HCURSOR previous_ = nullptr;
    bool subclassed_ = false;
};

}  // namespace win
