#pragma once
// Keys and clicks held back from a window while the program waits, and handed back afterwards.
#include <windows.h>

#include <vector>

namespace win {

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
