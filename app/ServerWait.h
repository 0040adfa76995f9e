#pragma once
// How the window waits while a handler works with an automation server: the one wait for a call that the
// server refuses because it is busy and for a call that does not come back.
//
//   ServerWait excel(hwnd_, kExcelWait);
//   excel.CarryOn(thread, [&] { ... calls into Excel ... });
//
// Each step runs on the server's CallThread while the window waits for it here:
//   - The work pointer shows over the window for the length of the handler. While a step runs, the
//     window repaints, and keys and clicks stay queued, to be handled once the handler lets events run:
//     no second lookup or print starts inside a step, and nothing typed is lost.
//   - A call the server refuses is made again every tenth of a second. After five seconds of refusals
//     the operator is asked (texts.busy): 重试 waits another five seconds, 取消 gives the call up.
//   - A call still pending after fifteen seconds asks texts.stuck: 重试 waits another fifteen seconds;
//     取消 ends the server's process when it is the program's own (see EndOnCancel), or else stops
//     waiting for it and leaves the thread to finish the call whenever the server answers.
//   - Once the operator has said 取消, nothing more goes to that server in this handler: later steps fail
//     at once, without a question.
// Steps run in carry-on mode: a failing step is skipped and the handler goes on with the next.
#include <windows.h>

#include <functional>
#include <type_traits>

#include "win/CallThread.h"

namespace app {

struct ServerTexts {
    const wchar_t* busy;   // asked after five seconds of refused calls
    const wchar_t* stuck;  // asked after fifteen seconds without an answer
};

class ServerWait {
public:
    ServerWait(HWND window, const ServerTexts& texts) noexcept;
    ~ServerWait();
    ServerWait(const ServerWait&) = delete;
    ServerWait& operator=(const ServerWait&) = delete;

    // Runs a step on the server's thread and waits for it; a failure is skipped. Whether the step ran.
    bool CarryOn(win::CallThread& thread, std::function<void()> step) noexcept;
    // The same for a step whose failure the handler looks at: S_OK, or the step's error.
    HRESULT CarryOnResult(win::CallThread& thread, std::function<void()> step) noexcept;
    // Steps with the state the server's thread keeps.
    template <typename State>
    bool CarryOn(win::ServerThread<State>& server, std::type_identity_t<std::function<void(State&)>> step) noexcept {
        return SUCCEEDED(CarryOnResult(server, std::move(step)));
    }
    template <typename State>
    HRESULT CarryOnResult(win::ServerThread<State>& server,
                          std::type_identity_t<std::function<void(State&)>> step) noexcept {
        try {
            return CarryOnResult(server.thread(), server.Bind(std::move(step)));
        } catch (...) {
            return E_FAIL;
        }
    }
    // Waits for a step handed to the thread earlier (one that was started before the window was there).
    HRESULT WaitFor(win::CallThread& thread, const std::shared_ptr<win::PendingCall>& call) noexcept;

    // What 取消 on a call that does not come back ends: the server's process, when the program started
    // it. Without it (the operator's own Excel), the wait only stops waiting.
    void EndOnCancel(std::function<void()> endServer) { endServer_ = std::move(endServer); }

    // The operator called the server off with 取消: nothing more has gone to it since.
    bool cancelled() const noexcept { return cancelled_; }
    // ... and it was a call that did not come back, not a busy server.
    bool gaveUpWaiting() const noexcept { return gaveUpWaiting_; }

    // The normal pointer while a message box asks the operator something in the middle of work: the
    // program waits for them then, not the other way round.
    class Question {
    public:
        explicit Question(HWND window) noexcept;
        ~Question();
        Question(const Question&) = delete;
        Question& operator=(const Question&) = delete;

    private:
        HWND window_;
        int scopes_;
    };

private:
    HRESULT Wait(win::CallThread& thread, const std::shared_ptr<win::PendingCall>& call);
    int Ask(const wchar_t* question) noexcept;

    HWND window_;
    ServerTexts texts_;
    std::function<void()> endServer_;
    bool cancelled_ = false;
    bool gaveUpWaiting_ = false;
};

// For the window's WM_SETCURSOR: shows the work pointer and returns true while a handler works in the
// window and it takes input. A dialog on top disables the window, which then keeps its normal pointers.
bool ShowWorkPointer(HWND window) noexcept;

// The error of a step that was not made because the operator had called the server off.
inline constexpr HRESULT kCalledOff = static_cast<HRESULT>(0x800704C7);  // HRESULT_FROM_WIN32(ERROR_CANCELLED)

inline constexpr ServerTexts kExcelWait{
    L"Excel 正忙，请先结束单元格编辑或关闭 Excel 中打开的对话框。",
    L"Excel 没有响应，可能有对话框在等待回答。按“重试”继续等待，按“取消”放弃这次查询。"};
inline constexpr ServerTexts kPrintWait{
    L"BarTender 正忙，请稍候。",
    L"BarTender 没有响应，可能有对话框在等待回答。按“重试”继续等待，按“取消”放弃这次打印。"};
// The session is ending and Windows will not wait: nobody is asked, a refused call fails at once, and a
// call not back within two seconds is given up.
inline constexpr ServerTexts kSessionEndWait{nullptr, nullptr};
inline constexpr ServerTexts kStartupWait{
    L"BarTender 正忙，请稍候。",
    L"BarTender 没有响应，可能有对话框在等待回答。按“重试”继续等待，按“取消”退出程序。"};

}  // namespace app
