// The message-pumping wait: a window of the waiting thread keeps answering while the wait runs,
// the named timer exists only during the wait, short and negative delays end at once, and failures
// come back as run-time errors.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "lib/TimerWait.h"
#include "tests/lib/LibTestSupport.h"

using support::TimerWait;
using lib_tests::ErrorOf;

namespace {

constexpr UINT kPing = WM_APP + 1;  // posted by another thread
constexpr UINT kAsk = WM_APP + 2;   // sent by another thread, which blocks until it is answered

// A message-only window of the test's thread that hands WM_TIMER and WM_APP messages to `handler`.
struct TestWindow {
    std::function<LRESULT(UINT, WPARAM)> handler = [](UINT, WPARAM) -> LRESULT { return 0; };
    HWND hwnd = ::CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

    TestWindow() {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    }
    ~TestWindow() { ::DestroyWindow(hwnd); }
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_TIMER || msg >= WM_APP) return self->handler(msg, wParam);
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
};

// "<test executable without extension>TimerMMSS", the name a wait entered at that time uses.
std::string TimerName(int minuteSecond) {
    char path[MAX_PATH];
    std::string name(path, ::GetModuleFileNameA(nullptr, path, MAX_PATH));
    name = name.substr(name.find_last_of('\\') + 1);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "Timer%02d%02d", minuteSecond / 60 % 60, minuteSecond % 60);
    return name.substr(0, name.find_last_of('.')) + suffix;
}

bool TimerExists(const std::string& name) {
    HANDLE timer = ::OpenWaitableTimerA(SYNCHRONIZE, FALSE, name.c_str());
    if (timer) ::CloseHandle(timer);
    return timer != nullptr;
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(TimerWait, LongWaitKeepsTheThreadsWindowAnsweringAndUsesANamedTimer) {
    TestWindow window;
    std::atomic<bool> waiting{false};
    int pings = 0, ticks = 0;
    std::string timerSeen;
    SYSTEMTIME entry;
    window.handler = [&](UINT msg, WPARAM) -> LRESULT {
        if (msg == kPing && waiting) ++pings;
        if (msg == kAsk) return waiting ? 42 : 0;
        if (msg != WM_TIMER || !waiting) return 0;
        ++ticks;
        // The wait read the clock at most a second or two after the test did.
        for (int later = 0; later <= 2 && timerSeen.empty(); ++later) {
            const std::string name = TimerName(entry.wMinute * 60 + entry.wSecond + later);
            if (TimerExists(name)) timerSeen = name;
        }
        return 0;
    };
    ::SetTimer(window.hwnd, 1, 100, nullptr);
    std::atomic<DWORD_PTR> answer{0};
    std::thread other([&] {
        for (int k = 0; k < 5; ++k) {
            ::Sleep(50);
            ::PostMessageW(window.hwnd, kPing, 0, 0);
        }
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(window.hwnd, kAsk, 0, 0, SMTO_NORMAL, 10000, &result);
        answer = result;
    });

    TimerWait wait;
    ::GetLocalTime(&entry);
    const auto start = std::chrono::steady_clock::now();
    waiting = true;
    wait.Wait(1500);
    waiting = false;
    const long long elapsed = MillisecondsSince(start);
    other.join();

    EXPECT_GE(elapsed, 1400);
    EXPECT_EQ(pings, 5) << "posted messages were dispatched during the wait";
    EXPECT_EQ(answer, 42u) << "a message sent from another thread was answered during the wait";
    EXPECT_GE(ticks, 3) << "window timers kept firing";
    ASSERT_FALSE(timerSeen.empty()) << "a timer named <exe>TimerMMSS existed during the wait";
    EXPECT_FALSE(TimerExists(timerSeen)) << "its handle is closed when the wait ends";
}

TEST(TimerWait, ZeroAndNegativeDelaysEndAfterOnePassOfTheMessageLoop) {
    TestWindow window;
    int pings = 0;
    window.handler = [&](UINT msg, WPARAM) -> LRESULT {
        if (msg == kPing) ++pings;
        return 0;
    };
    TimerWait wait;
    for (std::int32_t delay : {0, -5, INT_MIN}) {
        pings = 0;
        ::PostMessageW(window.hwnd, kPing, 0, 0);
        wait.Wait(delay);
        EXPECT_EQ(pings, 1) << "messages waiting when the timer fires are processed; delay " << delay;
    }

    // A quit request met during the wait is handed on to the thread's main loop afterwards.
    ::PostQuitMessage(7);
    wait.Wait(0);
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);

    // Due times in 100-nanosecond units, exact far beyond 32 bits.
    const std::int64_t due = TimerWait::DueTime(1500);
    EXPECT_EQ(static_cast<std::uint32_t>(due), 0xFF1B1E40u);
    EXPECT_EQ(static_cast<std::uint32_t>(static_cast<std::uint64_t>(due) >> 32), 0xFFFFFFFFu);
    EXPECT_EQ(TimerWait::DueTime(300'000), -3'000'000'000LL);
    EXPECT_EQ(TimerWait::DueTime(INT_MAX), -21'474'836'470'000LL);
    EXPECT_EQ(TimerWait::DueTime(-5), 50'000);
}

TEST(TimerWait, ATimerThatCannotBeCreatedFailsTheWaitInsteadOfHangingIt) {
    // Events holding every timer name this executable can use: a timer cannot take the name of
    // another kind of object.
    std::vector<HANDLE> blockers;
    for (int minuteSecond = 0; minuteSecond < 3600; ++minuteSecond)
        blockers.push_back(::CreateEventA(nullptr, TRUE, FALSE, TimerName(minuteSecond).c_str()));
    {
        TimerWait failing;
        auto error = ErrorOf([&] { failing.Wait(10); });
        EXPECT_EQ(error.number, 5);
        EXPECT_EQ(error.source, L"LabelSupport.Wait");
        const std::wstring prefix = L"[clsWaitableTimer.Wait]";
        EXPECT_EQ(error.description.substr(0, prefix.size()), prefix);
        EXPECT_GT(error.description.size(), prefix.size()) << "the cause follows the prefix";
    }  // destroyed right after the error

    TimerWait wait;
    EXPECT_EQ(ErrorOf([&] { wait.Wait(0); }).number, 5);
    for (HANDLE blocker : blockers) ::CloseHandle(blocker);
    wait.Wait(10);  // the same object waits normally once the names are free
}

TEST(TimerWait, AWaitStartedFromAMessageDuringAnotherKeepsTheOuterWaitsTime) {
    TestWindow window;
    TimerWait wait;
    long long innerElapsed = -1, innerEndedAt = -1;
    const auto start = std::chrono::steady_clock::now();
    window.handler = [&](UINT msg, WPARAM id) -> LRESULT {
        if (msg != WM_TIMER || id != 2) return 0;
        ::KillTimer(window.hwnd, 2);
        // More than a second after the outer wait began, so its timer has another name.
        const auto innerStart = std::chrono::steady_clock::now();
        wait.Wait(300);
        innerElapsed = MillisecondsSince(innerStart);
        innerEndedAt = MillisecondsSince(start);
        return 0;
    };
    ::SetTimer(window.hwnd, 2, 1100, nullptr);

    wait.Wait(2000);
    const long long outerElapsed = MillisecondsSince(start);
    ASSERT_GE(innerElapsed, 250) << "the inner wait ran its own time";
    EXPECT_GE(outerElapsed, 1900) << "the outer wait still ended on its own timer";
    EXPECT_LT(innerEndedAt, outerElapsed);
}
