// Start-up, the replacement of a BarTender that has ended, and the help link.
#include <windows.h>
#include <shellapi.h>

#include "app/CarryOn.h"
#include "app/MainWindow.h"
#include "services/SettingsFile.h"
#include "win/TextConversion.h"
#include "win/Dispatch.h"
#include "win/ObjectCreation.h"
#include "win/MessagePump.h"
#include "win/ModulePath.h"

namespace app {

namespace {
constexpr wchar_t kBarTenderClass[] = L"BarTender.Application";
// The help page, in the program's folder where the installer puts it.
constexpr wchar_t kHelpPage[] = L"\\help\\index.html";

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
    if (auto column = win::TextToInt32(services::ReadSetting(L"settings", L"查询列"))) keyColumn_ = *column;
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

    SetTextOf(WorkbookBox, services::ReadSetting(L"DATA", L"DB"));
    SetTextOf(TemplateBox, services::ReadSetting(L"DATA", L"TP"));

    if (!barTender_ || !IsWorkingBarTender(wait, *barTender_)) {
        {
            ServerWait::Question question(hwnd_);
            ::MessageBoxW(hwnd_, L"NO Bartender OR error！", kAppTitle, MB_OK);
        }
        // A BarTender we started but cannot use must not stay behind as an orphan process.
        if (barTender_) QuitBarTender(wait);
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
        QuitStep(b);
        b = BarTenderHold{};
    });
    return false;
}

void MainWindow::OnHelpClick() {
    const std::string page = win::ToAnsi(win::ExecutableFolder() + kHelpPage);
    // Without the page the click does nothing: the shell would answer a missing file with a message.
    if (::GetFileAttributesA(page.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    ::ShellExecuteA(hwnd_, "open", page.c_str(), nullptr, nullptr, SW_HIDE);
}

}  // namespace app
