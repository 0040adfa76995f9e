#include "lib/TimerWait.h"

#include <windows.h>

#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "lib/CodePage.h"
#include "lib/RuntimeError.h"
#include "win/Messages.h"
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

[[noreturn]] void FailCall(const char16_t* call) {
    const DWORD code = ::GetLastError();
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

// Dispatches every message waiting in this thread's queue. A WM_QUIT is kept in `quit` for later.
void DispatchWaitingMessages(std::optional<int>& quit) noexcept {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = static_cast<int>(msg.wParam);
            continue;
        }
        win::DispatchOne(msg);
    }
}

}  // namespace

TimerWait::~TimerWait() {
    if (timer_) ::CloseHandle(timer_);
}

std::int64_t TimerWait::DueTime(std::int32_t milliSeconds) noexcept {
    return -(static_cast<std::int64_t>(milliSeconds) * 10'000);
}

void TimerWait::Wait(std::int32_t MilliSeconds) {
    HANDLE const enclosing = current_;
    HANDLE mine = nullptr;
    bool created = false;
    std::optional<int> quit;

    // A handle that neither this wait nor the enclosing one owns was left by a failed wait.
    auto closeLeftover = [&] {
        if (timer_ && timer_ != mine && timer_ != enclosing) ::CloseHandle(timer_);
    };

    try {
        closeLeftover();
        timer_ = enclosing;

        SYSTEMTIME now;
        ::GetLocalTime(&now);
        const std::string name = TimerName(now);

        mine = ::CreateWaitableTimerA(nullptr, TRUE, name.c_str());
        const DWORD creation = ::GetLastError();
        created = true;
        timer_ = mine;
        if (!mine) FailCall(u"CreateWaitableTimerA");
        current_ = mine;

        // A timer of that name that already existed belongs to a wait in progress: leave its state.
        if (creation != ERROR_ALREADY_EXISTS) SetDueTime(mine, -1);
        SetDueTime(mine, DueTime(MilliSeconds));

        for (;;) {
            const DWORD woke = ::MsgWaitForMultipleObjects(1, &mine, FALSE, INFINITE, kWakeMask);
            if (woke == WAIT_FAILED) {
                const DWORD code = ::GetLastError();
                DispatchWaitingMessages(quit);
                ::SetLastError(code);
                FailCall(u"MsgWaitForMultipleObjects");
            }
            DispatchWaitingMessages(quit);
            if (woke == WAIT_OBJECT_0) break;
        }

        ::CloseHandle(mine);
        closeLeftover();
        timer_ = enclosing;
        current_ = enclosing;
    } catch (...) {
        if (created) {
            closeLeftover();
            timer_ = mine;
            current_ = enclosing;
        }
        if (quit) ::PostQuitMessage(*quit);
        try {
            throw;
        } catch (const RuntimeError& e) {
            throw RuntimeError(e.Number(), e.Source().empty() ? kSource : e.Source(), kDescriptionPrefix + e.Description());
        } catch (const std::bad_alloc&) {
            throw RuntimeError(errors::kOutOfMemory, kSource, kDescriptionPrefix + StandardDescription(errors::kOutOfMemory));
        } catch (const std::length_error&) {
            throw RuntimeError(errors::kOutOfMemory, kSource, kDescriptionPrefix + StandardDescription(errors::kOutOfMemory));
        }
    }
    if (quit) ::PostQuitMessage(*quit);
}

}  // namespace support
