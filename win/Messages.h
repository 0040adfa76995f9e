#pragma once
// The window's message handling outside the main loop: processing pending messages from inside a handler.
#include <windows.h>

namespace win {

// The top-level window whose keyboard navigation (Tab, Enter on buttons) IsDialogMessage handles.
void SetNavigationWindow(HWND window) noexcept;

// Translates and dispatches one message the way the main loop does.
void DispatchOne(MSG& msg) noexcept;

// Runs every message waiting in this thread's queue, then returns. A WM_QUIT found here is
// posted again so that the main loop still sees it.
void ProcessPendingMessages() noexcept;

// The main loop; returns the exit code of WM_QUIT.
int RunMessageLoop() noexcept;

}  // namespace win
