#pragma once
// The window's message handling outside the main loop: processing pending messages from inside a handler.
#include <windows.h>

#include <optional>
#include <vector>

namespace win {

// The top-level window whose keyboard navigation (Tab, Enter on buttons) IsDialogMessage handles.
void SetNavigationWindow(HWND window) noexcept;

// Translates and dispatches one message the way the main loop does.
void DispatchOne(MSG& msg) noexcept;

// Runs every message waiting in this thread's queue, then returns. A WM_QUIT found here is
// posted again so that the main loop still sees it.
void ProcessPendingMessages() noexcept;
// The same for a caller that waits in a loop of its own: a WM_QUIT is taken out of the queue and its
// exit code kept in `quit` (the last one counts) while the other messages go on running; the caller
// posts it again once it is done waiting.
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

// Waits the given time while only repainting: WM_PAINT and messages sent from other threads are
// handled, keys, clicks and posted messages stay in the queue.
void WaitRepaintingOnly(DWORD milliseconds) noexcept;

// Holds back, while it lives, the keys, clicks and close requests meant for a window and its controls,
// whichever message loop takes them from the queue (a message box runs its own), and posts them again,
// in their order, when it ends. Mouse moves are dropped. Holds nest.
class HeldInput {
public:
    explicit HeldInput(HWND window) noexcept;
    ~HeldInput();
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;

    // Takes the keys and clicks already queued into the hold. Call it before a modal loop starts: the
    // window that will have the focus then (a message box) would otherwise get the keys typed before it.
    void TakeQueued() noexcept;

private:
    static LRESULT CALLBACK OnGetMessage(int code, WPARAM removed, LPARAM message) noexcept;
    bool Holds(const MSG& msg) const noexcept;

    HWND window_;
    HHOOK hook_ = nullptr;
    HeldInput* outer_ = nullptr;
    std::vector<MSG> held_;
};

}  // namespace win
