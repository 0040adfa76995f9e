#pragma once
// The busy-but-responsive pointer (the arrow with a small hourglass) over the window while a lookup or
// a print runs. Nothing else changes: the window keeps its texts and takes input as before.
#include <windows.h>

namespace app {

// One piece of long work in the window. The first scope shows the busy pointer at once when the
// pointer is over the window, the window keeps it on every move of the pointer (ShowBusyPointer), and
// the last scope to end gives the pointer back to whatever lies under it. Scopes nest: a lookup started
// from the events a print lets run keeps the pointer busy until both have ended.
class BusyPointer {
public:
    explicit BusyPointer(HWND window) noexcept;
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    // The normal pointer for the length of a question to the operator (a message box) asked inside a
    // piece of work: the program waits for them then, not the other way round.
    class Pause {
    public:
        explicit Pause(HWND window) noexcept;
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        HWND window_;
        int scopes_;
    };

private:
    HWND window_;
};

// For the window's WM_SETCURSOR: shows the busy pointer and returns true while work runs in the window
// and it takes input. A dialog on top disables the window, which then keeps its normal pointers.
bool ShowBusyPointer(HWND window) noexcept;

}  // namespace app
