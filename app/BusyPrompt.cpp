#include "app/BusyPrompt.h"

#include "app/Controls.h"

namespace app {

namespace {
constexpr ULONGLONG kSilentWaitMs = 5000;
constexpr DWORD kRetryIntervalMs = 100;
}  // namespace

bool BusyPrompt::Refused(int n) noexcept {
    if (cancelled_) return false;
    if (n == 1) {
        askAt_ = ::GetTickCount64() + kSilentWaitMs;
        heldInput_.emplace(window_);
        waitCursor_.emplace(window_);
    }
    if (::GetTickCount64() < askAt_) {
        win::WaitRepaintingOnly(kRetryIntervalMs);
        return true;
    }
    if (heldInput_) heldInput_->TakeQueued();
    int answer = ::MessageBoxW(window_, question_, kAppTitle, MB_RETRYCANCEL | MB_ICONEXCLAMATION);
    if (answer == IDRETRY) {
        askAt_ = ::GetTickCount64() + kSilentWaitMs;
        return true;
    }
    cancelled_ = true;
    return false;
}

void BusyPrompt::WaitOver() noexcept {
    waitCursor_.reset();
    heldInput_.reset();
}

}  // namespace app
