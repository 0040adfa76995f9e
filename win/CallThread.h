#pragma once
// A thread of its own, in an apartment of its own, for the calls into one automation server.
//
// A call into an out-of-process server cannot be abandoned by the thread that made it: that thread sits
// in COM's modal loop until the server answers, and a server stuck behind a dialog that nobody can see
// never does. So the window's thread makes no such call itself: it hands each step to a CallThread and
// waits for it in a loop of its own (app/ServerWait), which can give up. It then ends the server's
// process, after which the stuck call fails within milliseconds, or, for a server that is not the
// program's to end, abandons the thread, which finishes the call whenever the server answers and ends.
//
// The objects a server hands out belong to the apartment of the thread that got them: tasks keep them in
// state that only tasks touch, and they are released on this thread (see Release).
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

#include "win/UniqueResource.h"

namespace win {

// One task handed to a CallThread, as its waiter sees it.
class PendingCall {
public:
    PendingCall();

    HANDLE doneEvent() const noexcept { return done_.get(); }
    bool done() const noexcept { return ::WaitForSingleObject(done_.get(), 0) == WAIT_OBJECT_0; }
    // S_OK when the task ran to its end, else the failure that stopped it. Read it once done.
    HRESULT result() const noexcept { return result_; }
    // Tick count at which the server call under way was made (made again, after a refusal).
    ULONGLONG callStarted() const noexcept { return callStarted_; }
    // Tick count of the first refusal of the call the server refuses now as busy; 0 while none is refused.
    ULONGLONG refusedSince() const noexcept { return refusedSince_; }
    // The refused call fails at its next refusal (with kGaveUpWhileBusy), and so does every later one.
    void GiveUpRefusedCalls() noexcept { giveUpRefused_ = true; }
    // Nothing more of the task reaches the server: a refused call fails at its next refusal, and every
    // call the task would still make fails before it goes out.
    void CallOff() noexcept { calledOff_ = true; }

private:
    friend class CallThread;
    friend class RefusalWatch;
    UniqueHandle done_;
    HRESULT result_ = E_PENDING;
    std::atomic<ULONGLONG> callStarted_{0};
    std::atomic<ULONGLONG> refusedSince_{0};
    std::atomic<bool> giveUpRefused_{false};
    std::atomic<bool> calledOff_{false};
};

class CallThread {
public:
    CallThread();
    // Ends the thread once its tasks are done; an abandoned thread ends on its own.
    ~CallThread();
    CallThread(const CallThread&) = delete;
    CallThread& operator=(const CallThread&) = delete;

    // Hands a task to the thread. A task that throws fails with the error it threw (ComError's code, or
    // E_FAIL). Tasks run one after the other, in the order they came.
    std::shared_ptr<PendingCall> Post(std::function<void()> task);
    // Releases a value on the thread, after the tasks before it: what a task got from the server.
    template <typename T>
    void Release(T&& value) {
        auto held = std::make_shared<T>(std::forward<T>(value));
        Post([held] { *held = T{}; });
    }

    // Nobody waits for the task under way any more: the thread ends on its own once it returns, and runs
    // no task after it.
    void Abandon() noexcept;
    bool abandoned() const noexcept;

private:
    struct Shared;
    static DWORD WINAPI Start(void* shared) noexcept;
    static void Run(std::shared_ptr<Shared> shared) noexcept;

    std::shared_ptr<Shared> shared_;
    UniqueHandle thread_;
};

// A CallThread with what its tasks keep of one server (the objects it handed out, and what the window
// reads back once a task is done). Only tasks touch the state while one may run; the state is let go of
// on the thread when this object goes, or, for an abandoned thread, when the thread ends.
template <typename State>
class ServerThread {
public:
    ServerThread() : state_(std::make_shared<State>()) {}
    ~ServerThread() {
        try {
            thread_.Release(std::move(state_));
        } catch (...) {
        }
    }
    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;

    // A task for the thread: the step with the state. The step keeps the state alive, so a step that
    // returns after its waiter has gone still finds it.
    std::function<void()> Bind(std::function<void(State&)> step) const {
        return [state = state_, step = std::move(step)] { step(*state); };
    }
    CallThread& thread() noexcept { return thread_; }
    // For the window's thread, between tasks only.
    State& state() noexcept { return *state_; }

private:
    CallThread thread_;  // first in, last out: it ends after the state has been let go of
    std::shared_ptr<State> state_;
};

}  // namespace win
