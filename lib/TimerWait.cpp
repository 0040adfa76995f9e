#include "lib/TimerWait.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "lib/CodePage.h"
#include "lib/RuntimeError.h"
#include "win/MessagePump.h"
#include "win/ModulePath.h"

namespace support {

namespace {

// Key, mouse, posted, timer, paint, sent-message and hot-key input; raw input does not wake it.
constexpr DWORD kWakeMask = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT |
                            QS_SENDMESSAGE | QS_HOTKEY;
static_assert(kWakeMask == 0xFF);

constexpr const char16_t* kDescriptionPrefix = u"[clsWaitableTimer.Wait]";

Text Decimal(unsigned long value) {
    const std::string digits = std::to_string(value);
    return Text(digits.begin(), digits.end());
}

[[noreturn]] void FailCall(const char16_t* call, DWORD code) {
    throw RuntimeError(errors::kInvalidCall, TimerWait::kSource,
                       Text(call) + u" 失败（Windows 错误 " + Decimal(code) + u"）");
}

// "<executable name>Timer<MMSS>" in the ANSI code page.
std::string TimerName(const SYSTEMTIME& now) {
    const std::wstring path = win::ExecutablePath();
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    char minuteSecond[8];
    std::snprintf(minuteSecond, sizeof minuteSecond, "%02u%02u", static_cast<unsigned>(now.wMinute % 100),
                  static_cast<unsigned>(now.wSecond % 100));
    return EncodeText(CodePage::Ansi, Text(name.begin(), name.end())) + "Timer" + minuteSecond;
}

void SetDueTime(HANDLE timer, std::int64_t dueTime) noexcept {
    LARGE_INTEGER due;
    due.QuadPart = dueTime;
    ::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
}

// The timer of one wait, for the length of the wait. A wait that ends normally closes it; a failed
// one leaves it with the object, which closes it at its next Wait or its own end. Either way a timer
// that an earlier failure left (this object's, or a nested wait's) is closed by then.
class WaitScope {
public:
    explicit WaitScope(win::UniqueHandle& leftover) noexcept
        : leftover_(leftover), exceptions_(std::uncaught_exceptions()) {
        leftover_.reset();
    }
    ~WaitScope() {
        const bool failed = std::uncaught_exceptions() > exceptions_;
        leftover_ = failed ? std::move(timer) : win::UniqueHandle();
    }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

    win::UniqueHandle timer;

private:
    win::UniqueHandle& leftover_;
    const int exceptions_;
};

// A WM_QUIT met while dispatching, posted again when the wait ends however it ends, so that the
// thread's main loop still sees it.
class KeptQuit {
public:
    KeptQuit() noexcept = default;
    ~KeptQuit() {
        if (code) ::PostQuitMessage(*code);
    }
    KeptQuit(const KeptQuit&) = delete;
    KeptQuit& operator=(const KeptQuit&) = delete;

    std::optional<int> code;
};

}  // namespace

std::int64_t TimerWait::DueTime(std::int32_t milliSeconds) noexcept {
    return -(static_cast<std::int64_t>(milliSeconds) * 10'000);
}

void TimerWait::Wait(std::int32_t MilliSeconds) {
    KeptQuit quit;
    try {
        RunOperation(kSource, [&] {
            WaitScope scope(leftover_);
            SYSTEMTIME now;
            ::GetLocalTime(&now);
            const std::string name = TimerName(now);

            HANDLE const timer = ::CreateWaitableTimerA(nullptr, TRUE, name.c_str());
            const DWORD creation = ::GetLastError();
            scope.timer.reset(timer);
            if (!timer) FailCall(u"CreateWaitableTimerA", creation);

            // A timer of that name that already existed belongs to a wait in progress: leave its state.
            if (creation != ERROR_ALREADY_EXISTS) SetDueTime(timer, -1);
            SetDueTime(timer, DueTime(MilliSeconds));

            for (;;) {
                const DWORD woke = ::MsgWaitForMultipleObjects(1, &timer, FALSE, INFINITE, kWakeMask);
                const DWORD code = ::GetLastError();
                win::ProcessPendingMessages(quit.code);
                if (woke == WAIT_FAILED) FailCall(u"MsgWaitForMultipleObjects", code);
                if (woke == WAIT_OBJECT_0) break;
            }
        });
    } catch (const RuntimeError& e) {
        throw RuntimeError(e.Number(), e.Source(), kDescriptionPrefix + e.Description());
    }
}

}  // namespace support
