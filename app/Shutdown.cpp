// Ending the program: the exit button, closing the window, and the end of the Windows session.
#include <windows.h>

#include "app/MainWindow.h"
#include "win/Dispatch.h"

namespace app {

namespace {
// The save option that ending the program passes to BarTender's Quit.
constexpr int kQuitSaveOption = 0;
}  // namespace

void MainWindow::OnExitClick() {
    QuitBarTender(kStartupWait);
    // Only a lookup under way (the exit button was pressed while it let events run) holds Excel.
    LetGoOfExcel(kExcelWait);
    EndProgramNow(0);
}

void MainWindow::OnUnload() {
    QuitBarTender(kStartupWait);
    ::PostQuitMessage(0);
}

// Tells BarTender to quit and lets go of it.
void MainWindow::QuitBarTender(const ServerTexts& texts) {
    if (!barTender_) return;
    ServerWait wait(hwnd_, texts);
    BarTenderThread& bt = *barTender_;
    wait.EndOnCancel([&bt] { bt.state().process.End(); });
    QuitBarTender(wait);
    // Its objects go on its thread, and a BarTender whose objects are all let go of ends.
    barTender_.reset();
}

// Tells BarTender to quit inside a wait under way. One that the operator called off is ended, as it was
// the program's own; after that nothing more is sent to it.
void MainWindow::QuitBarTender(ServerWait& wait) {
    wait.CarryOn(*barTender_, QuitStep);
    if (wait.cancelled()) barTender_->state().process.End();
}

// BarTender's Quit, the one call by which the program asks it to end.
void MainWindow::QuitStep(BarTenderHold& b) { win::Call(b.app.get(), L"Quit", kQuitSaveOption); }

// What the lookups under way hold of Excel: an instance a lookup started is quit, a workbook a lookup
// opened in the operator's Excel is closed as the lookup would have closed it, and every reference is
// let go, so that no hidden Excel stays behind. The operator's own Excel is never quit: it may hold
// unsaved work. A lookup stuck in the operator's Excel is left as it is.
void MainWindow::LetGoOfExcel(const ServerTexts& texts) {
    for (ExcelThread* xl : lookups_) {
        ServerWait wait(hwnd_, texts);
        const bool own = xl->state().ownInstance, opened = xl->state().openedWorkbook;
        if (own) wait.EndOnCancel([xl] { xl->state().process.End(); });
        if (own) wait.CarryOn(*xl, [](ExcelHold& x) { win::Call(x.excel.get(), L"Quit"); });
        else if (opened) wait.CarryOn(*xl, [](ExcelHold& x) { win::Call(x.workbook.get(), L"Close", false); });
        if (own && wait.cancelled()) xl->state().process.End();
        wait.CarryOn(*xl, [](ExcelHold& x) { x = ExcelHold{}; });
    }
}

// Logging off or shutting down. Windows sends the session messages from another thread and waits for
// the answer, and COM refuses calls made while such a message is handled
// (RPC_E_CANTCALLOUT_ININPUTSYNCCALL). So the unload steps run from a message the window posts itself
// when Windows asks whether the session may end: the main loop takes it as soon as the answer is
// given, while Windows asks the other programs and before it announces the end. Should the session go
// on after all, the next print starts a new BarTender.
LRESULT MainWindow::OnQueryEndSession() {
    ::PostMessageW(hwnd_, kEndSessionSteps, 0, 0);
    return TRUE;
}

void MainWindow::EndSessionSteps() {
    // Windows ends the program a few seconds later whatever happens: nobody is asked, and a busy or
    // stuck server is not waited for.
    QuitBarTender(kSessionEndWait);
    LetGoOfExcel(kSessionEndWait);
}

// Ends the program at once. The exit button may be pressed inside a lookup or a print that is letting
// events run, and neither that handler nor the window's unload (a second Quit) may run on after it, so
// the process ends here rather than through the message loop. What the servers hold for us was let go
// of before, on their threads.
void MainWindow::EndProgramNow(UINT exitCode) {
    barTender_.reset();
    ::ExitProcess(exitCode);
}

}  // namespace app
