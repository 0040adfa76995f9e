// The print button: fill the label template with the found row and the spare items, print, close.
#include <array>

#include "app/BusyPointer.h"
#include "app/BusyPrompt.h"
#include "app/CarryOn.h"
#include "app/CellText.h"
#include "app/MainWindow.h"
#include "services/SettingsFile.h"
#include "services/FileCheck.h"
#include "win/Dispatch.h"
#include "win/Messages.h"

namespace app {

namespace {
constexpr int kFieldCount = 20;             // substrings "1" to "20": columns A to T of the found row
constexpr int kBtDoNotSaveChanges = 1;      // BarTender's save option for closing the template
constexpr std::int32_t kOneSerializedLabel = 1;

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
    BusyPointer busy(hwnd_);
    PrintButtonOff off(Control(PrintButton));
    PrintOnce();
}

void MainWindow::PrintOnce() {
    std::wstring printer = ReadIni(L"print", L"printer", ConfigFile());
    if (!FileExists(TextOf(TemplateBox), 0)) return ShowMessage(L"没有模版文件");
    // Only the item the most recent lookup found is printed: an older row number read against a newer
    // copy of the list would put another item's data on the label.
    if (!itemFound_) return ShowMessage(L"查询ITEM不存在！");

    LabelData label;
    for (int n = 1; n <= kFieldCount; ++n) label.cells[n - 1] = CellText(*sheetBlock_.get(), itemRow_, n);
    label.spare2 = TextOf(Spare2Box);
    label.spare1 = TextOf(Spare1Box);

    BusyPrompt barTenderBusy(hwnd_, kBarTenderBusy);
    win::BusyScope waitForBarTender(barTenderBusy);
    // A template that did not open ends the print: the format an earlier print left is closed, and
    // sending it the steps below could print the previous template.
    if (!OpenTemplate(TextOf(TemplateBox))) return SetTextOf(StatusLine, L"打印失败");
    win::ProcessPendingMessages();

    CarryOn([&] { win::Put(barTender_.get(), L"Visible", false); });
    win::DispatchCache format(labelFormat_);
    for (int n = 1; n <= kFieldCount; ++n) {
        CarryOn([&] { format.Call(L"SetNamedSubStringValue", std::to_wstring(n), Required(label.cells[n - 1])); });
    }
    CarryOn([&] { format.Call(L"SetNamedSubStringValue", L"beiyong2", label.spare2); });
    CarryOn([&] { format.Call(L"SetNamedSubStringValue", L"beiyong1", label.spare1); });
    // One serialized label in as many identical copies as the operator asked for.
    CarryOn([&] { format.Put(L"NumberSerializedLabels", kOneSerializedLabel); });
    CarryOn([&] { format.Put(L"IdenticalCopiesOfLabel", Required(win::TextToInt32(TextOf(QuantityBox)))); });
    if (!printer.empty()) CarryOn([&] { format.Put(L"Printer", printer); });
    bool printed = CarryOn([&] { format.Call(L"PrintOut", false, false); });
    win::ProcessPendingMessages();

    CarryOn([&] { format.Call(L"Close", kBtDoNotSaveChanges); });
    win::ProcessPendingMessages();

    // "Done" only when the labels reached BarTender. A print that failed is not sent again, not even
    // when BarTender ended during it: its labels may be on paper already.
    SetTextOf(StatusLine, printed ? L"打印完成" : L"打印失败");
}

// Opens the template into labelFormat_. A BarTender that has ended since the last print (closed or crashed)
// makes this fail before anything reached a format, so a new instance takes its place and opens it.
bool MainWindow::OpenTemplate(const std::wstring& path) {
    auto open = [&] {
        win::ComPtr<IDispatch> formats = win::AsObject(win::Get(barTender_.get(), L"Formats"));
        labelFormat_ = win::AsObject(win::Call(formats.get(), L"Open", path, false, L""));
    };
    HRESULT hr = CarryOnResult(open);
    if (SUCCEEDED(hr)) return true;
    if (barTender_ && !win::IsServerGone(hr)) return false;
    return ReplaceBarTender() && CarryOn(open);
}

}  // namespace app
