#include "app/ServerWait.h"

#include <algorithm>
#include <optional>

#include "app/Controls.h"
#include "win/HeldInput.h"
#include "win/MessagePump.h"

namespace app {

namespace {
constexpr ULONGLONG kBusyAskMs = 5000;
constexpr ULONGLONG kStuckAskMs = 15000;
// Without anyone to ask (the session is ending), a call not back by then is given up.
constexpr ULONGLONG kUnaskedGiveUpMs = 2000;
// After the server's process was ended, its stuck call fails within milliseconds; longer than this, and
// the thread is left to it.
constexpr DWORD kAfterEndMs = 5000;
constexpr DWORD kLookAgainMs = 100;

// The window property that counts the handlers at work; absent when none is.
constexpr wchar_t kWorkScopes[] = L"LabelPrint.WorkScopes";

int ScopesOf(HWND window) noexcept {
    return static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropW(window, kWorkScopes)));
}

void SetScopes(HWND window, int scopes) noexcept {
    if (scopes > 0) {
        ::SetPropW(window, kWorkScopes, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(scopes)));
    } else {
        ::RemovePropW(window, kWorkScopes);
    }
}

// Sets the pointer now, as a move of it would, when it is over the window or one of its controls. The
// pointer does not move, so the system asks no one: ask the window under it the way a move would.
void RefreshPointer(HWND window) noexcept {
    POINT at{};
    if (!::GetCursorPos(&at)) return;
    HWND under = ::WindowFromPoint(at);
    if (!under || (under != window && !::IsChild(window, under))) return;
    LRESULT hit = ::SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
    ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(LOWORD(hit), WM_MOUSEMOVE));
}

// Waits for the event until the deadline while only repainting: WM_PAINT and the messages other
// threads send are handled; keys, clicks and posted messages stay queued.
void WaitRepaintingOnly(HANDLE event, ULONGLONG until) noexcept {
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) ::DispatchMessageW(&msg);
        ULONGLONG now = ::GetTickCount64();
        if (now >= until) return;
        DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &event, static_cast<DWORD>(until - now),
                                                   QS_PAINT | QS_SENDMESSAGE, 0);
        if (woke != WAIT_OBJECT_0 + 1) return;
    }
}
}  // namespace

ServerWait::ServerWait(HWND window, const ServerTexts& texts) noexcept : window_(window), texts_(texts) {
    int scopes = ScopesOf(window_);
    SetScopes(window_, scopes + 1);
    if (scopes == 0) RefreshPointer(window_);
}

ServerWait::~ServerWait() {
    int scopes = ScopesOf(window_) - 1;
    SetScopes(window_, scopes);
    if (scopes <= 0) RefreshPointer(window_);
}

bool ServerWait::CarryOn(win::CallThread& thread, std::function<void()> step) noexcept {
    return SUCCEEDED(CarryOnResult(thread, std::move(step)));
}

HRESULT ServerWait::CarryOnResult(win::CallThread& thread, std::function<void()> step) noexcept {
    try {
        if (cancelled_ || thread.abandoned()) return kCalledOff;
        return Wait(thread, thread.Post(std::move(step)));
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT ServerWait::WaitFor(win::CallThread& thread, const std::shared_ptr<win::PendingCall>& call) noexcept {
    try {
        if (!call) return E_POINTER;
        return Wait(thread, call);
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT ServerWait::Wait(win::CallThread& thread, const std::shared_ptr<win::PendingCall>& call) {
    // Without anyone to ask, a refused call fails at once.
    if (!texts_.busy) call->GiveUpRefusedCalls();
    const ULONGLONG stuckAfter = texts_.stuck ? kStuckAskMs : kUnaskedGiveUpMs;
    ULONGLONG refusedSince = 0, askBusyAt = 0;
    // Until the thread takes the step up, the time counts from now.
    ULONGLONG callStarted = 0, askStuckAt = ::GetTickCount64() + stuckAfter;
    for (;;) {
        if (call->done()) return call->result();
        const ULONGLONG now = ::GetTickCount64();
        ULONGLONG lookAgain = now + kLookAgainMs;
        if (ULONGLONG refused = call->refusedSince()) {
            if (refused != refusedSince) askBusyAt = (refusedSince = refused) + kBusyAskMs;
            if (now >= askBusyAt && !cancelled_) {
                if (Ask(texts_.busy) == IDRETRY) {
                    askBusyAt = ::GetTickCount64() + kBusyAskMs;
                } else {
                    // The refused call fails at its next refusal, a tenth of a second away at most, and
                    // nothing more of the step goes out.
                    cancelled_ = true;
                    call->CallOff();
                }
                continue;
            }
        } else {
            // (Also after 取消 on a busy server: a call it took up just then may not come back either.)
            ULONGLONG started = call->callStarted();
            if (started != callStarted) askStuckAt = (callStarted = started) + stuckAfter;
            if (now >= askStuckAt) {
                if (!cancelled_ && texts_.stuck && Ask(texts_.stuck) == IDRETRY) {
                    askStuckAt = ::GetTickCount64() + kStuckAskMs;
                    continue;
                }
                cancelled_ = gaveUpWaiting_ = true;
                call->CallOff();
                // Only a server of the program's own is ended; its stuck call then fails at once.
                if (endServer_) {
                    endServer_();
                    WaitRepaintingOnly(call->doneEvent(), ::GetTickCount64() + kAfterEndMs);
                }
                if (call->done()) return call->result();
                thread.Abandon();
                return kCalledOff;
            }
            lookAgain = std::min(lookAgain, askStuckAt);
        }
        WaitRepaintingOnly(call->doneEvent(), lookAgain);
    }
}

int ServerWait::Ask(const wchar_t* question) noexcept {
    Question asking(window_);
    // The box runs a loop of its own: keys and clicks meant for the window wait until the step is over,
    // and those typed before the box came up go to the window, not to the box.
    win::HeldInput held(window_);
    held.TakeQueued();
    return ::MessageBoxW(window_, question, kAppTitle, MB_RETRYCANCEL | MB_ICONEXCLAMATION);
}

ServerWait::Question::Question(HWND window) noexcept : window_(window), scopes_(ScopesOf(window)) {
    if (scopes_ == 0) return;
    SetScopes(window_, 0);
    RefreshPointer(window_);
}

ServerWait::Question::~Question() {
    if (scopes_ == 0) return;
    SetScopes(window_, scopes_);
    RefreshPointer(window_);
}

bool ShowWorkPointer(HWND window) noexcept {
    if (ScopesOf(window) <= 0 || !::IsWindowEnabled(window)) return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_APPSTARTING));
    return true;
}

}  // namespace app
