#pragma once
// How a thread's calls into servers fare: which failures mean a busy server (worth the same call again)
// or a server that is gone, and the watch that decides whether a refused call is made again.
#include <windows.h>

namespace win {

// A server refused the call because it is busy (RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER). A
// refused call was never carried out, so making it again is safe.
bool IsServerBusy(HRESULT hr) noexcept;
// The server process has ended, or its connection is broken: calls to its objects cannot succeed again.
bool IsServerGone(HRESULT hr) noexcept;
// The error of a call that was given up while its server refused it as busy.
inline constexpr HRESULT kGaveUpWhileBusy = static_cast<HRESULT>(0x800704C7);  // HRESULT_FROM_WIN32(ERROR_CANCELLED)

// Watches this thread's calls into servers (a CallThread puts one in place for each task). Every call
// made through win/Dispatch and win/ObjectCreation (names, calls, object creation and attachment) announces each attempt, and a
// call that a busy server refuses is made again for as long as the watch says so. With no watch in
// place, a refused call fails at once. No other failure is ever repeated.
class CallWatch {
public:
    // A call is about to go out (again, after a refusal); false keeps it from going out at all (it then
    // fails with kGaveUpWhileBusy).
    virtual bool Attempt() noexcept { return true; }
    // The call was refused for the n-th time (1 the first time): wait, then return true to make it
    // again, or false to give it up (it then fails with kGaveUpWhileBusy).
    virtual bool Refused(int n) noexcept = 0;
    // A refused call went through, failed otherwise, or was given up.
    virtual void CallOver() noexcept {}

protected:
    ~CallWatch() = default;
};

// Puts a watch in place for this thread's calls while the scope lasts; scopes nest.
class CallWatchScope {
public:
    explicit CallWatchScope(CallWatch& watch) noexcept;
    ~CallWatchScope();
    CallWatchScope(const CallWatchScope&) = delete;
    CallWatchScope& operator=(const CallWatchScope&) = delete;

private:
    CallWatch* outer_;
};

// The innermost watch in place on this thread, or none.
CallWatch* CurrentCallWatch() noexcept;

// Makes an attempt until it is not refused as busy, or the thread's watch gives it up; the attempt's
// result, or kGaveUpWhileBusy.
template <typename Attempt>
HRESULT RetryWhileBusy(Attempt&& attempt) {
    CallWatch* watch = CurrentCallWatch();
    if (watch && !watch->Attempt()) return kGaveUpWhileBusy;
    HRESULT hr = attempt();
    if (!IsServerBusy(hr) || !watch) return hr;
    for (int refusals = 1; IsServerBusy(hr); ++refusals) {
        if (!watch->Refused(refusals)) {
            hr = kGaveUpWhileBusy;
            break;
        }
        if (!watch->Attempt()) {
            hr = kGaveUpWhileBusy;
            break;
        }
        hr = attempt();
    }
    watch->CallOver();
    return hr;
}

}  // namespace win
