// The print button: fill the label template with the found row and the spare items, print, close.
#include <array>

#include "app/CarryOn.h"
#include "app/CellText.h"
#include "app/MainWindow.h"
#include "services/SettingsFile.h"
#include "services/FileCheck.h"
#include "win/Dispatch.h"
#include "win/MessagePump.h"

namespace app {

namespace {
constexpr int kFieldCount = 20;             // substrings "1" to "20": columns A to T of the found row
constexpr int kBtDoNotSaveChanges = 1;      // BarTender's save option for closing the template
constexpr std::int32_t kOneSerializedLabel = 1;

// The template the print opened; a step on it fails when none is open.
win::DispatchCache& FormatOf(BarTenderHold& b) {
    if (!b.format) throw win::ComError(E_POINTER);
    return *b.format;
}

// Everything a label takes from the window, taken once, so that a lookup running inside the print
// (events are processed while BarTender works) cannot put two items on one label.
struct LabelData {
    std::array<std::optional<std::wstring>, kFieldCount> cells;  // nothing where a cell has no text
    std::wstring spare1, spare2;
};

// The print button is disabled while a print runs, so that a press arriving while BarTender works
// starts no second print inside the first. It comes back however the print ends.
class PrintButtonOff {
public:
    explicit PrintButtonOff(HWND button) noexcept : button_(button), hadFocus_(::GetFocus() == button) {
        ::EnableWindow(button_, FALSE);
    }
    ~PrintButtonOff() {
        ::EnableWindow(button_, TRUE);
        // Disabling the focused button took the focus away; give it back where the operator left it.
        if (hadFocus_ && !::GetFocus()) ::SetFocus(button_);
    }
    PrintButtonOff(const PrintButtonOff&) = delete;
    PrintButtonOff& operator=(const PrintButtonOff&) = delete;

private:
    HWND button_;
    bool hadFocus_;
};
}  // namespace

void MainWindow::PrintLabels() {
    ++workStarted_;
    ServerWait barTender(hwnd_, kPrintWait);
    PrintButtonOff off(Control(PrintButton));
    PrintOnce(barTender);
}

void MainWindow::PrintOnce(ServerWait& wait) {
    std::wstring printer = services::ReadSetting(L"print", L"printer");
    if (!services::FileExists(TextOf(TemplateBox), 0)) return ShowMessage(L"没有模版文件");
    // Only the item the most recent lookup found is printed: an older row number read against a newer
    // copy of the list would put another item's data on the label.
    if (!itemFound_) return ShowMessage(L"查询ITEM不存在！");

    LabelData label;
    for (int n = 1; n <= kFieldCount; ++n) label.cells[n - 1] = CellText(*sheetBlock_.get(), itemRow_, n);
    label.spare2 = TextOf(Spare2Box);
    label.spare1 = TextOf(Spare1Box);
    const std::optional<std::int32_t> quantity = win::TextToInt32(TextOf(QuantityBox));

    // A template that did not open ends the print: the format an earlier print left is closed, and
    // sending it the steps below could print the previous template.
    if (!OpenTemplate(wait, TextOf(TemplateBox))) return SetTextOf(StatusLine, L"打印失败");
    win::ProcessPendingMessages();

    // From here to the print no events run, so these steps go to BarTender's thread as one task; each is
    // still skipped on its own when it fails. The task takes what it sends by value: a step still running
    // when the operator gave up on it must not reach into this handler after it has returned.
    BarTenderThread& bt = *barTender_;
    const bool sent = wait.CarryOn(bt, [label, quantity, printer](BarTenderHold& b) {
        b.printed = false;
        CarryOn([&] { win::Put(b.app.get(), L"Visible", false); });
        for (int n = 1; n <= kFieldCount; ++n) {
            CarryOn([&] {
                FormatOf(b).Call(L"SetNamedSubStringValue", std::to_wstring(n), Required(label.cells[n - 1]));
            });
        }
        CarryOn([&] { FormatOf(b).Call(L"SetNamedSubStringValue", L"beiyong2", label.spare2); });
        CarryOn([&] { FormatOf(b).Call(L"SetNamedSubStringValue", L"beiyong1", label.spare1); });
        // One serialized label in as many identical copies as the operator asked for.
        CarryOn([&] { FormatOf(b).Put(L"NumberSerializedLabels", kOneSerializedLabel); });
        CarryOn([&] { FormatOf(b).Put(L"IdenticalCopiesOfLabel", Required(quantity)); });
        if (!printer.empty()) CarryOn([&] { FormatOf(b).Put(L"Printer", printer); });
        b.printed = CarryOn([&] { FormatOf(b).Call(L"PrintOut", false, false); });
    });
    const bool printed = sent && bt.state().printed;
    win::ProcessPendingMessages();

    wait.CarryOn(bt, [](BarTenderHold& b) { FormatOf(b).Call(L"Close", kBtDoNotSaveChanges); });
    win::ProcessPendingMessages();

    // "Done" only when the labels reached BarTender. A print that failed is not sent again, not even
    // when BarTender ended during it: its labels may be on paper already.
    SetTextOf(StatusLine, printed ? L"打印完成" : L"打印失败");
}

// Opens the template as the format of the print. A BarTender that has ended since the last print (closed,
// crashed, or ended by the program because it was stuck) makes this fail before anything reached a format,
// so a new instance takes its place and opens it.
bool MainWindow::OpenTemplate(ServerWait& wait, const std::wstring& path) {
    // A BarTender whose call thread is stuck for good is given up with it.
    if (!barTender_ || barTender_->thread().abandoned()) barTender_ = std::make_unique<BarTenderThread>();
    BarTenderThread& bt = *barTender_;
    wait.EndOnCancel([&bt] { bt.state().process.End(); });
    auto open = [path](BarTenderHold& b) {
        b.format.reset();
        win::ComPtr<IDispatch> formats = win::AsObject(win::Get(b.app.get(), L"Formats"));
        b.format.emplace(win::AsObject(win::Call(formats.get(), L"Open", path, false, L"")));
    };
    HRESULT hr = wait.CarryOnResult(bt, open);
    if (SUCCEEDED(hr)) return true;
    if (wait.cancelled() || (bt.state().app && !win::IsServerGone(hr))) return false;
    return ReplaceBarTender(wait) && wait.CarryOn(*barTender_, open);
}

}  // namespace app
