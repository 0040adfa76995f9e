#pragma once
// The window's message handling outside the main loop: processing pending messages from inside a handler.
#include <windows.h>

#include <optional>

namespace win {

// The top-level window whose keyboard navigation (Tab, Enter on buttons) IsDialogMessage handles.
void SetNavigationWindow(HWND window) noexcept;

// Translates and dispatches one message the way the main loop does.
void DispatchOne(MSG& msg) noexcept;

// Runs every message waiting in this thread's queue, then returns. A WM_QUIT found here is
// posted again so that the main loop still sees it.
void ProcessPendingMessages() noexcept;
// The same for a caller that waits in a loop of its own outside the window's handlers (the support
// library's wait, a server): a WM_QUIT is taken out of the queue and its exit code kept in `quit` (the
// last one counts) while the other messages go on running, each dispatched to its window without the
// window's Tab navigation; the caller posts the WM_QUIT again once it is done waiting.
void ProcessPendingMessages(std::optional<int>& quit) noexcept;

// Processes pending messages from inside a long loop that wants to do so on every pass. Asking the
// window server for messages costs several microseconds even when there are none, which over tens of
// thousands of passes adds up to a frozen-looking half second; so a pass looks at the queue only when
// a millisecond has gone by since the last look. A message thus waits at most about a millisecond, as
// it would behind one slow pass, and handlers it starts still run between two passes.
class LoopMessagePump {
public:
    LoopMessagePump() noexcept;
    // Returns true when it processed the queue, so the caller re-reads what handlers may have changed.
    bool Pump() noexcept;

private:
    long long interval_ = 0;  // performance-counter ticks in a millisecond
    long long next_ = 0;
};

// The main loop; returns the exit code of WM_QUIT.
int RunMessageLoop() noexcept;

}  // namespace win
