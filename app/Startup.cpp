// Start-up, the focus rules of the window, the help link, and the two ways of ending the program.
#include <windows.h>
#include <shellapi.h>

#include "app/CarryOn.h"
#include "app/frmMain.h"
#include "services/INIrw.h"
#include "win/Dispatch.h"
#include "win/Messages.h"
#include "win/ModulePath.h"

namespace app {

namespace {
constexpr wchar_t kBarTenderClass[] = L"BarTender.Application";
constexpr char kHelpPage[] = "https://labelprint.example.com/help/";
// The save option that ending the program passes to BarTender's Quit.
constexpr int kQuitSaveOption = 0;
}  // namespace

std::unique_ptr<win::BackgroundCreate> frmMain::StartBarTender() {
    return std::make_unique<win::BackgroundCreate>(kBarTenderClass);
}

void frmMain::Load() {
    if (auto column = win::TextToInt32(ReadIni(L"settings", L"查询列", ConfigFile()))) QueryCol = *column;
    SetTextOf(Label1, L"查询列" + std::to_wstring(QueryCol) + L":");

    SetTextOf(Text1, L"");
    SetTextOf(Text2, L"");
    SetTextOf(Text3, L"");
    SetTextOf(Text5, L"");
    SetTextOf(Text6, L"");
    SetTextOf(Text4, L"1");
    win::ProcessPendingMessages();

    CarryOn([&] {
        if (barTender_) BtApp = barTender_->Take();
    });
    win::ProcessPendingMessages();

    std::wstring remembered = win::ExecutableFolder() + L"\\CONFIG.INI";
    SetTextOf(Text1, ReadIni(L"DATA", L"DB", remembered));
    SetTextOf(Text2, ReadIni(L"DATA", L"TP", remembered));

    if (!BarTenderIsWorking()) {
        ::MessageBoxW(hwnd_, L"NO Bartender OR error！", kAppTitle, MB_OK);
        // A BarTender we started but cannot use must not stay behind as an orphan process.
        CarryOn([&] { win::Call(BtApp.get(), L"Quit", kQuitSaveOption); });
        EndProgramNow(1);
    }
}

// BarTender is usable when its version reads as a positive number; a failed read counts as not usable.
bool frmMain::BarTenderIsWorking() {
    bool working = false;
    CarryOn([&] {
        auto version = win::ToDouble(*win::Get(BtApp.get(), L"Version").get());
        working = version && *version > 0;
    });
    return working;
}

void frmMain::OnResize() {
    FocusOn(Text5);
    focusToRestore_ = Control(Text5);
}

void frmMain::MoveFocusOnEnter(ControlId from, WPARAM key) {
    if (key != VK_RETURN) return;
    switch (from) {
        case Text5: return FocusOn(Text6);
        case Text6: return FocusOn(Text3);
        case Text4: return FocusOn(Command3);
        default: return;
    }
}

void frmMain::OnHelpClick() { ::ShellExecuteA(hwnd_, "open", kHelpPage, nullptr, nullptr, SW_HIDE); }

void frmMain::OnExitClick() {
    CarryOn([&] { win::Call(BtApp.get(), L"Quit", kQuitSaveOption); });
    BtApp = nullptr;
    // Only a lookup that stopped part-way leaves Excel held.
    CarryOn([&] { win::Call(xlApp.get(), L"Quit"); });
    xlApp = nullptr;
    EndProgramNow(0);
}

void frmMain::OnUnload() {
    CarryOn([&] { win::Call(BtApp.get(), L"Quit", kQuitSaveOption); });
    BtApp = nullptr;
    ::PostQuitMessage(0);
}

void frmMain::EndProgramNow(UINT exitCode) {
    BtApp = nullptr;
    xlApp = nullptr;
    BtFormat = nullptr;
    xlSheet = nullptr;
    xlBook = nullptr;
    ::ExitProcess(exitCode);
}

}  // namespace app
