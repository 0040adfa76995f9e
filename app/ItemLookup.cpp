// Enter in the query box: copy the shipping list's block out of Excel and find the item key in it.
#include "app/BusyPointer.h"
#include "app/CarryOn.h"
#include "app/CellText.h"
#include "app/MainWindow.h"
#include "win/BackgroundRelease.h"
#include "win/Dispatch.h"
#include "win/Messages.h"

namespace app {

namespace {
constexpr wchar_t kExcelClass[] = L"Excel.Application";
constexpr short kExcelUp = 3;         // End(3): up to the last filled cell
constexpr short kBlockColumns = 20;   // columns A to T

// The block's values: Resize gives them directly, or (as Excel does) a range whose default value they are.
win::Variant ValuesOf(win::Variant block) {
    if (block.type() != VT_DISPATCH) return block;
    win::ComPtr<IDispatch> range = win::AsObject(block);
    return win::CallId(range.get(), DISPID_VALUE);
}

// The last row + 1 with the automation library's arithmetic, so an unset last row counts as 0.
win::Variant OneMoreRow(const win::Variant& lastRow) {
    win::Variant one(std::int16_t{1}), sum;
    win::Check(::VarAdd(const_cast<VARIANT*>(lastRow.get()), one.get(), sum.put()));
    return sum;
}
}  // namespace

void MainWindow::LookUpItem() {
    BusyPointer busy(hwnd_);
    // Excel: the instance the operator is running, else one of our own. Only our own is hidden and
    // quit afterwards: quitting the operator's Excel could lose their unsaved work.
    win::ComPtr<IDispatch> excel, book, sheet;
    bool ownExcel = false;
    if (!CarryOn([&] { excel = win::GetRunningObject(kExcelClass); }))
        ownExcel = CarryOn([&] { excel = win::CreateObject(kExcelClass); });
    if (excel) excel_ = excel;

    CarryOn([&] {
        win::ComPtr<IDispatch> workbooks = win::AsObject(win::Get(excel.get(), L"Workbooks"));
        book = win::AsObject(win::Call(workbooks.get(), L"Open", TextOf(WorkbookBox)));
    });
    if (ownExcel) CarryOn([&] { win::Put(excel.get(), L"Visible", false); });
    CarryOn([&] {
        win::ComPtr<IDispatch> first = win::AsObject(win::Get(excel.get(), L"Sheets", short{1}));
        win::Variant name = win::Get(first.get(), L"Name");
        sheet = win::AsObject(win::Get(book.get(), L"Worksheets", std::move(name)));
    });
    CarryOn([&] { win::Call(sheet.get(), L"Select"); });
    CarryOn([&] {
        win::ComPtr<IDispatch> bottom = win::AsObject(win::CallId(sheet.get(), DISPID_EVALUATE, L"a65536"));
        win::ComPtr<IDispatch> last = win::AsObject(win::Call(bottom.get(), L"End", kExcelUp));
        lastRow_ = win::Get(last.get(), L"Row");
    });
    bool copied = CarryOn([&] {
        win::ComPtr<IDispatch> top = win::AsObject(win::CallId(sheet.get(), DISPID_EVALUATE, L"a1"));
        win::Variant block = ValuesOf(win::Call(top.get(), L"Resize", OneMoreRow(lastRow_), kBlockColumns));
        win::ReleaseInBackground(std::move(sheetBlock_));
        sheetBlock_ = std::move(block);
    });
    win::ProcessPendingMessages();

    CarryOn([&] { win::Call(book.get(), L"Close", true); });
    if (ownExcel) CarryOn([&] { win::Call(excel.get(), L"Quit"); });
    excel = nullptr;
    excel_ = nullptr;

    // A lookup that could not copy the block finds nothing: the copy an earlier lookup left may come
    // from another workbook.
    itemFound_ = copied && SearchKey();

    if (itemFound_) return FocusOn(QuantityBox);
    ShowMessage(L"查询ITEM不存在！");
}

// Rows 1 to the last row of the key column, first match wins; a match is remembered in itemRow_.
// The key is read afresh for every row and pending events run between rows, so a handler they start
// (even another lookup) sees a live window; the block is looked up anew for every row and every
// index is checked, because such a handler may have replaced it.
bool MainWindow::SearchKey() {
    std::optional<std::int32_t> lastRow = win::ToInt32(*lastRow_.get());
    if (!lastRow) return false;
    std::wstring key = TextOf(KeyBox);
    win::LoopMessagePump pump;
    for (std::int32_t row = 1; row <= *lastRow; ++row) {
        if (CellMatchesKey(*sheetBlock_.get(), row, keyColumn_, key)) {
            itemRow_ = row;
            return true;
        }
        // The key can only change while events run.
        if (pump.Pump()) key = TextOf(KeyBox);
    }
    return false;
}

}  // namespace app
