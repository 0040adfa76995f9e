// Start-up, the focus rules of the window, the help link, and the two ways of ending the program.
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

    CarryOn([&] {
        if (barTenderStart_) barTender_ = barTenderStart_->Take();
    });
    win::ProcessPendingMessages();

    std::wstring remembered = win::ExecutableFolder() + L"\\CONFIG.INI";
    SetTextOf(WorkbookBox, ReadIni(L"DATA", L"DB", remembered));
    SetTextOf(TemplateBox, ReadIni(L"DATA", L"TP", remembered));

    if (!BarTenderIsWorking()) {
        ::MessageBoxW(hwnd_, L"NO Bartender OR error！", kAppTitle, MB_OK);
        // A BarTender we started but cannot use must not stay behind as an orphan process.
        CarryOn([&] { win::Call(barTender_.get(), L"Quit", kQuitSaveOption); });
        EndProgramNow(1);
    }
}

// BarTender is usable when its version reads as a positive number; a failed read counts as not usable.
bool MainWindow::BarTenderIsWorking() {
    bool working = false;
    CarryOn([&] {
        auto version = win::ToDouble(*win::Get(barTender_.get(), L"Version").get());
        working = version && *version > 0;
    });
    return working;
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
    CarryOn([&] { win::Call(barTender_.get(), L"Quit", kQuitSaveOption); });
    barTender_ = nullptr;
    // Only a lookup that stopped part-way leaves Excel held.
    CarryOn([&] { win::Call(excel_.get(), L"Quit"); });
    excel_ = nullptr;
    EndProgramNow(0);
}

void MainWindow::OnUnload() {
    CarryOn([&] { win::Call(barTender_.get(), L"Quit", kQuitSaveOption); });
    barTender_ = nullptr;
    ::PostQuitMessage(0);
}

void MainWindow::EndProgramNow(UINT exitCode) {
    barTender_ = nullptr;
    excel_ = nullptr;
    labelFormat_ = nullptr;
    ::ExitProcess(exitCode);
}

}  // namespace app
