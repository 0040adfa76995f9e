#pragma once
// TimerWait (served to scripts as LabelSupport.Wait): holds its caller for a number of milliseconds without freezing the caller's windows.
// Wait sets a named, manual-reset waitable timer to a relative due time and waits for it in a loop
// that wakes for every kind of window message and dispatches the waiting messages before it waits
// again, so the thread's windows keep repainting and handling input during the wait.
//
// The timer is named after the executable (file name without extension), "Timer" and the minute
// and second at which Wait was entered: appTimer0742 for app.exe at 10:07:42, in the ANSI code
// page. Two waits entered in the same second by the same executable, in this process or another,
// share one timer: the later one re-sets its due time and both end when it fires.
//
// Errors leave Wait as RuntimeErrors with the source "LabelSupport.Wait" and the description
// "[clsWaitableTimer.Wait]" followed directly by the description of what failed.
//
// Decisions about the corner cases:
// - A timer that cannot be created (CreateWaitableTimerA fails, e.g. because another kind of
//   object already has the name) and a failing message wait (MsgWaitForMultipleObjects returns
//   WAIT_FAILED) both end Wait with error 5 instead of waiting for a signal that never comes.
//   The description names the failing call and the Windows error code.
// - A Wait started from a message processed during another Wait of the same object is served on
//   its own timer: it waits its own time, closes its timer and hands the object back to the
//   enclosing wait, which then goes on waiting for its own timer.
// - After a failed wait the object keeps that wait's timer handle; it is closed by the next Wait
//   on the object or by destruction, so no handle is left open for the rest of the process.
// - A WM_QUIT met while dispatching is kept back and posted again when Wait returns, so the
//   thread's main loop still ends; the wait itself is not cut short.
// - The executable's name comes from GetModuleFileNameW, the time from GetLocalTime; messages are
//   dispatched with PeekMessageW / TranslateMessage / DispatchMessageW (and the program's dialog
//   navigation, as in its main loop).
#include <cstdint>

#include "lib/Text.h"
#include "win/UniqueResource.h"

namespace support {

class TimerWait {
public:
    static constexpr const char16_t* kSource = u"LabelSupport.Wait";

    TimerWait() noexcept = default;
    TimerWait(const TimerWait&) = delete;
    TimerWait& operator=(const TimerWait&) = delete;

    // Returns when the timer has fired, after the messages waiting at that moment have run.
    // Zero or a negative number of milliseconds is due at once: one pass of the message loop.
    void Wait(std::int32_t MilliSeconds);

    // The timer's due time for a delay: −(milliseconds × 10,000) in 100-nanosecond units, a
    // relative time; a negative delay gives an absolute time long past. Exact for every delay.
    static std::int64_t DueTime(std::int32_t milliSeconds) noexcept;

private:
    // The timer a failed wait left behind, closed by the next Wait or with the object. A wait in
    // progress holds its own timer.
    win::UniqueHandle leftover_;
};

}  // namespace support
