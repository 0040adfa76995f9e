#include "win/CallThread.h"

#include <deque>
#include <mutex>
#include <utility>

#include "win/Dispatch.h"

namespace win {

namespace {
// How long the thread lets a refused call rest before making it again.
constexpr DWORD kRetryIntervalMs = 100;
constexpr DWORD kEndWaitMs = 5000;
}  // namespace

PendingCall::PendingCall() : done_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!done_) throw ComError(HRESULT_FROM_WIN32(::GetLastError()));
}

// Tells the task's waiter how its server calls fare: when each was made, and since when one is refused.
class RefusalWatch final : public CallWatch {
public:
    explicit RefusalWatch(PendingCall& call) noexcept : call_(call) {}

    bool Attempt() noexcept override {
        if (call_.calledOff_) return false;
        call_.callStarted_ = ::GetTickCount64();
        return true;
    }
    bool Refused(int n) noexcept override {
        if (n == 1) call_.refusedSince_ = ::GetTickCount64();
        if (GivingUp()) return false;
        ::Sleep(kRetryIntervalMs);
        return !GivingUp();
    }
    void CallOver() noexcept override { call_.refusedSince_ = 0; }

private:
    bool GivingUp() const noexcept { return call_.giveUpRefused_ || call_.calledOff_; }

    PendingCall& call_;
};

struct CallThread::Shared {
    std::mutex lock;
    std::deque<std::pair<std::shared_ptr<PendingCall>, std::function<void()>>> tasks;
    bool closing = false;
    std::atomic<bool> abandoned{false};
    UniqueHandle wake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

CallThread::CallThread() : shared_(std::make_shared<Shared>()) {
    if (!shared_->wake) throw ComError(HRESULT_FROM_WIN32(::GetLastError()));
    // The thread holds the shared part itself, so an abandoned thread outlives this object safely.
    auto handOver = std::make_unique<std::shared_ptr<Shared>>(shared_);
    thread_.reset(::CreateThread(nullptr, 0, &CallThread::Start, handOver.get(), 0, nullptr));
    if (!thread_) throw ComError(HRESULT_FROM_WIN32(::GetLastError()));
    handOver.release();
}

CallThread::~CallThread() {
    {
        std::lock_guard guard(shared_->lock);
        shared_->closing = true;
    }
    ::SetEvent(shared_->wake.get());
    // A thread that is not stuck finishes what it was given (releases, mostly) and ends at once; one that
    // is stuck all the same is not waited for past that.
    if (!abandoned() && thread_) ::WaitForSingleObject(thread_.get(), kEndWaitMs);
}

std::shared_ptr<PendingCall> CallThread::Post(std::function<void()> task) {
    auto call = std::make_shared<PendingCall>();
    {
        std::lock_guard guard(shared_->lock);
        shared_->tasks.emplace_back(call, std::move(task));
    }
    ::SetEvent(shared_->wake.get());
    return call;
}

void CallThread::Abandon() noexcept { shared_->abandoned = true; }

bool CallThread::abandoned() const noexcept { return shared_->abandoned; }

DWORD WINAPI CallThread::Start(void* shared) noexcept {
    std::unique_ptr<std::shared_ptr<Shared>> handedOver(static_cast<std::shared_ptr<Shared>*>(shared));
    Run(std::move(*handedOver));
    return 0;
}

void CallThread::Run(std::shared_ptr<Shared> shared) noexcept {
    // An apartment of the thread's own: what the server hands out is used and released here.
    HRESULT joined = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    for (;;) {
        std::pair<std::shared_ptr<PendingCall>, std::function<void()>> next;
        {
            std::lock_guard guard(shared->lock);
            if (shared->abandoned) shared->tasks.clear();
            if (shared->tasks.empty() && shared->closing) break;
            if (!shared->tasks.empty()) {
                next = std::move(shared->tasks.front());
                shared->tasks.pop_front();
            }
        }
        if (!next.second) {
            // Idle: an apartment thread keeps its messages moving (COM posts some to it).
            HANDLE wake = shared->wake.get();
            ::MsgWaitForMultipleObjects(1, &wake, FALSE, INFINITE, QS_ALLINPUT);
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            continue;
        }
        PendingCall& call = *next.first;
        if (FAILED(joined)) {
            call.result_ = joined;
        } else {
            RefusalWatch watch(call);
            CallWatchScope watching(watch);
            call.callStarted_ = ::GetTickCount64();
            call.result_ = ResultOf(next.second);
        }
        // What the task holds goes here, in this apartment, before its waiter hears of it.
        next.second = nullptr;
        ::SetEvent(call.doneEvent());
    }
    {
        // Tasks dropped unrun still release what they hold here.
        std::lock_guard guard(shared->lock);
        shared->tasks.clear();
    }
    if (SUCCEEDED(joined)) ::CoUninitialize();
}

}  // namespace win
