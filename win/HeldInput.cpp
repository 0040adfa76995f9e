#include "win/HeldInput.h"

#include <utility>

namespace win {

namespace {
thread_local HeldInput* t_innermostHold = nullptr;

bool IsMouseMove(UINT message) { return message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE; }
}  // namespace

HeldInput::HeldInput(HWND window) noexcept
    : window_(window), outer_(std::exchange(t_innermostHold, this)) {
    hook_ = ::SetWindowsHookExW(WH_GETMESSAGE, &HeldInput::OnGetMessage, nullptr, ::GetCurrentThreadId());
}

HeldInput::~HeldInput() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
    t_innermostHold = outer_;
    // Queued behind what is waiting now; an outer hold takes them again when they come out.
    for (const MSG& msg : held_)
        if (::IsWindow(msg.hwnd)) ::PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

bool HeldInput::Holds(const MSG& msg) const noexcept {
    if (!msg.hwnd || (msg.hwnd != window_ && !::IsChild(window_, msg.hwnd))) return false;
    UINT m = msg.message;
    return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
           (m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK) || m == BM_CLICK || m == WM_COMMAND ||
           m == WM_SYSCOMMAND || m == WM_CLOSE;
}

// Every message a loop of this thread takes from the queue passes here first; a held one is
// copied and turned into WM_NULL, which the loop then dispatches harmlessly.
LRESULT CALLBACK HeldInput::OnGetMessage(int code, WPARAM removed, LPARAM message) noexcept {
    HeldInput* hold = t_innermostHold;
    auto* msg = reinterpret_cast<MSG*>(message);
    if (code == HC_ACTION && removed == PM_REMOVE && hold && msg && hold->Holds(*msg)) {
        if (!IsMouseMove(msg->message)) {
            try {
                hold->held_.push_back(*msg);
            } catch (...) {
            }
        }
        msg->message = WM_NULL;
    }
    return ::CallNextHookEx(nullptr, code, removed, message);
}

void HeldInput::TakeQueued() noexcept {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
        if (msg.message == WM_NULL) continue;  // held by the hook
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace win
