#include "win/MessagePump.h"

#include <utility>

namespace win {

namespace {
HWND g_navigationWindow = nullptr;
}

void SetNavigationWindow(HWND window) noexcept { g_navigationWindow = window; }

void DispatchOne(MSG& msg) noexcept {
    if (g_navigationWindow && ::IsDialogMessageW(g_navigationWindow, &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

namespace {
// `kept` null: a WM_QUIT is posted again and ends the run, since the next look would find it again.
void RunPending(std::optional<int>* kept) noexcept {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) {
            if (kept) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            } else {
                DispatchOne(msg);
            }
        } else if (kept) {
            *kept = static_cast<int>(msg.wParam);
        } else {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
    }
}
}  // namespace

void ProcessPendingMessages() noexcept { RunPending(nullptr); }

void ProcessPendingMessages(std::optional<int>& quit) noexcept { RunPending(&quit); }

namespace {
long long Now() noexcept {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}
}  // namespace

LoopMessagePump::LoopMessagePump() noexcept {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    interval_ = frequency.QuadPart / 1000;
    next_ = Now() + interval_;
}

bool LoopMessagePump::Pump() noexcept {
    long long now = Now();
    if (now < next_) return false;
    ProcessPendingMessages();
    next_ = Now() + interval_;
    return true;
}

int RunMessageLoop() noexcept {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchOne(msg);
    return static_cast<int>(msg.wParam);
}

}  // namespace win
