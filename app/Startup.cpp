// Start-up, the focus rules of the window, the help link, the two ways of ending the program, and the
// end of the Windows session.
#include <windows.h>
#include <shellapi.h>

#include "app/BusyPrompt.h"
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
bool IsWorkingBarTender(IDispatch* barTender) {
    bool working = false;
    CarryOn([&] {
        auto version = win::ToDouble(*win::Get(barTender, L"Version").get());
        working = version && *version > 0;
    });
    return working;
}
}  // namespace

std::unique_ptr<win::BackgroundCreate> MainWindow::StartBarTender() {
    return std::make_unique<win::BackgroundCreate>(kBarTenderClass);
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

    BusyPrompt barTenderBusy(hwnd_, kBarTenderBusy);
    win::BusyScope waitForBarTender(barTenderBusy);
    HRESULT created = CarryOnResult([&] {
        if (barTenderStart_) barTender_ = barTenderStart_->Take();
    });
    // The worker that started BarTender cannot wait for a busy one with the operator; this thread can.
    if (win::IsServerBusy(created)) CarryOn([&] { barTender_ = win::CreateObject(kBarTenderClass); });
    win::ProcessPendingMessages();

    std::wstring remembered = win::ExecutableFolder() + L"\\CONFIG.INI";
    SetTextOf(WorkbookBox, ReadIni(L"DATA", L"DB", remembered));
    SetTextOf(TemplateBox, ReadIni(L"DATA", L"TP", remembered));

    if (!IsWorkingBarTender(barTender_.get())) {
        ::MessageBoxW(hwnd_, L"NO Bartender OR error！", kAppTitle, MB_OK);
        // A BarTender we started but cannot use must not stay behind as an orphan process.
        CarryOn([&] { win::Call(barTender_.get(), L"Quit", kQuitSaveOption); });
        EndProgramNow(1);
    }
}

// A new BarTender in place of one that has ended (closed or crashed since the last print), checked as
// start-up checks it. One that fails the check is quit, and there is then no BarTender until the next try.
bool MainWindow::ReplaceBarTender() {
    barTender_ = nullptr;
    win::ComPtr<IDispatch> fresh;
    if (!CarryOn([&] { fresh = win::CreateObject(kBarTenderClass); })) return false;
    if (!IsWorkingBarTender(fresh.get())) {
        CarryOn([&] { win::Call(fresh.get(), L"Quit", kQuitSaveOption); });
        return false;
    }
    barTender_ = std::move(fresh);
    return true;
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
    {
        BusyPrompt barTenderBusy(hwnd_, kBarTenderBusy);
        win::BusyScope waitForBarTender(barTenderBusy);
        CarryOn([&] { win::Call(barTender_.get(), L"Quit", kQuitSaveOption); });
    }
    barTender_ = nullptr;
    // Only a lookup under way (the exit button was pressed while it let events run) holds Excel.
    BusyPrompt excelBusy(hwnd_, kExcelBusy);
    win::BusyScope waitForExcel(excelBusy);
    LetGoOfExcel();
    EndProgramNow(0);
}

void MainWindow::OnUnload() {
    {
        BusyPrompt barTenderBusy(hwnd_, kBarTenderBusy);
        win::BusyScope waitForBarTender(barTenderBusy);
        CarryOn([&] { win::Call(barTender_.get(), L"Quit", kQuitSaveOption); });
    }
    barTender_ = nullptr;
    ::PostQuitMessage(0);
}

// What the lookups under way hold of Excel: an instance a lookup started is quit, a workbook a lookup
// opened in the operator's Excel is closed as the lookup would have closed it, and every reference is
// let go, so that no hidden Excel stays behind. The operator's own Excel is never quit: it may hold
// unsaved work.
void MainWindow::LetGoOfExcel() {
    for (ExcelHold* xl : excelHolds_) {
        if (xl->ownInstance) CarryOn([&] { win::Call(xl->excel.get(), L"Quit"); });
        else if (xl->openedWorkbook) CarryOn([&] { win::Call(xl->workbook.get(), L"Close", true); });
        *xl = ExcelHold{};
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
    // Windows ends the program a few seconds later whatever happens: a busy server is not waited for.
    NoWaiting noWaiting;
    win::BusyScope failAtOnce(noWaiting);
    CarryOn([&] { win::Call(barTender_.get(), L"Quit", kQuitSaveOption); });
    barTender_ = nullptr;
    labelFormat_ = nullptr;
    LetGoOfExcel();
}

void MainWindow::EndProgramNow(UINT exitCode) {
    barTender_ = nullptr;
    labelFormat_ = nullptr;
    for (ExcelHold* xl : excelHolds_) *xl = ExcelHold{};
    ::ExitProcess(exitCode);
}

}  // namespace app
