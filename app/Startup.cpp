// Start-up, the focus rules of the window, the help link, the two ways of ending the program, and the
// end of the Windows session.
#include <windows.h>
#include <shellapi.h>

#include "app/CarryOn.h"
#include "app/MainWindow.h"
#include "services/SettingsFile.h"
#include "win/TextConversion.h"
#include "win/Dispatch.h"
#include "win/Messages.h"
#include "win/ModulePath.h"

namespace app {

namespace {
constexpr wchar_t kBarTenderClass[] = L"BarTender.Application";
// The help page, in the program's folder where the installer puts it.
constexpr wchar_t kHelpPage[] = L"\\help\\index.html";
// The save option that ending the program passes to BarTender's Quit.
constexpr int kQuitSaveOption = 0;

// BarTender is usable when its version reads as a positive number; a failed read counts as not usable.
bool IsWorkingBarTender(ServerWait& wait, BarTenderThread& bt) {
    bool read = wait.CarryOn(bt, [](BarTenderHold& b) {
        b.working = false;
        auto version = win::ToDouble(*win::Get(b.app.get(), L"Version").get());
        b.working = version && *version > 0;
    });
    return read && bt.state().working && !wait.cancelled();
}

// Creates BarTender on its call thread and identifies the process the creation started, before anything
// can get stuck.
std::function<void(BarTenderHold&)> CreateBarTender(const win::ServerProcess::Creation& creation) {
    return [creation](BarTenderHold& b) {
        b = BarTenderHold{};
        b.app = win::CreateObject(kBarTenderClass);
        b.process = creation.Started();
    };
}
}  // namespace

BarTenderStart MainWindow::StartBarTender() {
    BarTenderStart start;
    try {
        start.server = std::make_unique<BarTenderThread>();
        start.creation.emplace(kBarTenderClass);
        start.created = start.server->thread().Post(start.server->Bind(CreateBarTender(*start.creation)));
    } catch (...) {
        // Start-up then finds no BarTender and says so.
        start = BarTenderStart{};
    }
    return start;
}

void MainWindow::Load() {
    if (auto column = win::TextToInt32(ReadIni(L"settings", L"查询列", ConfigFile()))) keyColumn_ = *column;
    SetTextOf(KeyColumnCaption, L"查询列" + std::to_wstring(keyColumn_) + L":");

    SetTextOf(WorkbookBox, L"");
    SetTextOf(TemplateBox, L"");
    SetTextOf(KeyBox, L"");
    SetTextOf(Spare1Box, L"");
    SetTextOf(Spare2Box, L"");
    SetTextOf(QuantityBox, L"1");
    win::ProcessPendingMessages();

    ServerWait wait(hwnd_, kStartupWait);
    barTender_ = std::move(barTenderStart_.server);
    const auto creation = std::move(barTenderStart_.creation);
    // A BarTender stuck at start-up (a licence or activation box nobody can see) is ended: the one the
    // creation identified, or else the one it was starting.
    wait.EndOnCancel([this, creation] {
        if (barTender_ && barTender_->state().process.End()) return;
        if (creation) creation->Started().End();
    });
    if (barTender_) wait.WaitFor(barTender_->thread(), barTenderStart_.created);
    win::ProcessPendingMessages();

    std::wstring remembered = win::ExecutableFolder() + L"\\CONFIG.INI";
    SetTextOf(WorkbookBox, ReadIni(L"DATA", L"DB", remembered));
    SetTextOf(TemplateBox, ReadIni(L"DATA", L"TP", remembered));

    if (!barTender_ || !IsWorkingBarTender(wait, *barTender_)) {
        {
            ServerWait::Question question(hwnd_);
            ::MessageBoxW(hwnd_, L"NO Bartender OR error！", kAppTitle, MB_OK);
        }
        // A BarTender we started but cannot use must not stay behind as an orphan process.
        if (barTender_) {
            wait.CarryOn(*barTender_, [](BarTenderHold& b) { win::Call(b.app.get(), L"Quit", kQuitSaveOption); });
            if (wait.cancelled()) barTender_->state().process.End();
        }
        EndProgramNow(1);
    }
}

// A new BarTender in place of one that has ended (closed, crashed, or ended because it was stuck), checked
// as start-up checks it. One that fails the check is quit, and there is then no BarTender until the next try.
bool MainWindow::ReplaceBarTender(ServerWait& wait) {
    BarTenderThread& bt = *barTender_;
    const win::ServerProcess::Creation creation(kBarTenderClass);
    wait.EndOnCancel([&bt, creation] {
        if (!bt.state().process.End()) creation.Started().End();
    });
    if (!wait.CarryOn(bt, CreateBarTender(creation))) return false;
    if (IsWorkingBarTender(wait, bt)) return true;
    wait.CarryOn(bt, [](BarTenderHold& b) {
        win::Call(b.app.get(), L"Quit", kQuitSaveOption);
        b = BarTenderHold{};
    });
    return false;
}

void MainWindow::OnResize() {
    FocusOn(Spare1Box);
    focusToRestore_ = Control(Spare1Box);
}

void MainWindow::MoveFocusOnEnter(ControlId from, WPARAM key) {
    if (key != VK_RETURN) return;
    switch (from) {
        case Spare1Box: return FocusOn(Spare2Box);
        case Spare2Box: return FocusOn(KeyBox);
        case QuantityBox: return FocusOn(PrintButton);
        default: return;
    }
}

void MainWindow::OnHelpClick() {
    const std::string page = win::ToAnsi(win::ExecutableFolder() + kHelpPage);
    // Without the page the click does nothing: the shell would answer a missing file with a message.
    if (::GetFileAttributesA(page.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    ::ShellExecuteA(hwnd_, "open", page.c_str(), nullptr, nullptr, SW_HIDE);
}

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

// Tells BarTender to quit and lets go of it; one that the operator called off is ended, as it was the
// program's own.
void MainWindow::QuitBarTender(const ServerTexts& texts) {
    if (!barTender_) return;
    ServerWait wait(hwnd_, texts);
    BarTenderThread& bt = *barTender_;
    wait.EndOnCancel([&bt] { bt.state().process.End(); });
    wait.CarryOn(bt, [](BarTenderHold& b) { win::Call(b.app.get(), L"Quit", kQuitSaveOption); });
    if (wait.cancelled()) bt.state().process.End();
    // Its objects go on its thread, and a BarTender whose objects are all let go of ends.
    barTender_.reset();
}

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

// Ends the program at once, as the exit button and a failed start-up must: no window procedure runs
// after this. What the servers hold for us was let go of before, on their threads.
void MainWindow::EndProgramNow(UINT exitCode) {
    barTender_.reset();
    ::ExitProcess(exitCode);
}

}  // namespace app
