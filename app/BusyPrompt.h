#pragma once
// How the window waits for an automation server that refuses calls because it is busy (Excel while
// the operator edits a cell or has a dialog open, BarTender while it works on a job). Put in place
// around a handler's calls to one server:
//
//   BusyPrompt excelBusy(hwnd_, kExcelBusy);
//   win::BusyScope waitForExcel(excelBusy);
//
// A refused call is made again every tenth of a second. For five seconds the wait is silent: the wait
// cursor shows, the window repaints, and keys and clicks are held back, to be handled once the call is
// through, so no second lookup or print starts inside the waiting call. Then a message box asks the
// operator: 重试 waits another five seconds, 取消 gives the call up. Once the operator has given up,
// the handler's later refused calls are given up at once: the answer stands for the whole handler.
#include <windows.h>

#include <optional>

#include "win/Dispatch.h"
#include "win/Messages.h"
#include "win/WaitCursor.h"

namespace app {

class BusyPrompt final : public win::BusyHandler {
public:
    // window: the program's window (it may still be hidden); question: the message box text.
    BusyPrompt(HWND window, const wchar_t* question) noexcept : window_(window), question_(question) {}

    bool Refused(int n) noexcept override;
    void WaitOver() noexcept override;

    // Whether the operator gave a call up with 取消.
    bool cancelled() const noexcept { return cancelled_; }

private:
    HWND window_;
    const wchar_t* question_;
    bool cancelled_ = false;
    ULONGLONG askAt_ = 0;  // tick count at which the silent wait is over
    std::optional<win::HeldInput> heldInput_;
    std::optional<win::WaitCursor> waitCursor_;
};

// For calls that must not wait (the session is ending): a refused call fails at once.
class NoWaiting final : public win::BusyHandler {
public:
    bool Refused(int) noexcept override { return false; }
};

inline constexpr wchar_t kExcelBusy[] = L"Excel 正忙，请先结束单元格编辑或关闭 Excel 中打开的对话框。";
inline constexpr wchar_t kBarTenderBusy[] = L"BarTender 正忙，请稍候。";

}  // namespace app
