// Enter in the query box: copy the shipping list's block out of Excel and find the item key in it.
#include "app/BusyPointer.h"
#include "app/BusyPrompt.h"
#include "app/CarryOn.h"
#include "app/CellText.h"
#include "app/MainWindow.h"
#include "win/BackgroundRelease.h"
#include "win/Dispatch.h"
#include "win/GrowBuffer.h"
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

// A path as Windows resolves it (full, with long names), for comparing two spellings of one file.
// A part that cannot be resolved is left as it is.
std::wstring ResolvedPath(const std::wstring& path) {
    constexpr std::size_t kLongest = 32768;
    auto full = win::GrowAndRetry<wchar_t>(
        [&](wchar_t* buffer, std::size_t capacity) -> std::optional<std::size_t> {
            DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(capacity), buffer, nullptr);
            if (n >= capacity) return std::nullopt;
            return n;
        },
        MAX_PATH, kLongest);
    if (!full || full->empty()) return path;
    // Only a file that exists has a long name to find.
    auto longName = win::GrowAndRetry<wchar_t>(
        [&](wchar_t* buffer, std::size_t capacity) -> std::optional<std::size_t> {
            DWORD n = ::GetLongPathNameW(full->c_str(), buffer, static_cast<DWORD>(capacity));
            if (n >= capacity) return std::nullopt;
            return n;
        },
        MAX_PATH, kLongest);
    return longName && !longName->empty() ? *longName : *full;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The workbook of that path among those open in the operator's Excel, or none. A workbook that was
// never saved has a bare name instead of a path and matches no file.
win::ComPtr<IDispatch> FindOpenWorkbook(IDispatch* workbooks, const std::wstring& path) {
    win::ComPtr<IDispatch> found;
    if (path.empty()) return found;
    std::wstring wanted = ResolvedPath(path);
    std::int32_t count = 0;
    CarryOn([&] { count = Required(win::ToInt32(*win::Get(workbooks, L"Count").get())); });
    for (std::int32_t i = 1; i <= count && !found; ++i) {
        CarryOn([&] {
            win::ComPtr<IDispatch> book = win::AsObject(win::Get(workbooks, L"Item", i));
            std::wstring name = Required(win::ToText(*win::Get(book.get(), L"FullName").get()));
            if (name.find_first_of(L"\\/") != std::wstring::npos && SameFile(ResolvedPath(name), wanted))
                found = std::move(book);
        });
    }
    return found;
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
    BusyPrompt excelBusy(hwnd_, kExcelBusy);
    bool copied = false;
    {
        win::BusyScope waitForExcel(excelBusy);
        ExcelHold xl;
        excelHolds_.push_back(&xl);
        copied = CopyShippingList(xl);
        std::erase(excelHolds_, &xl);
    }
    // A lookup the operator called off finds nothing, and does not claim that the item is missing.
    if (excelBusy.cancelled()) {
        itemFound_ = false;
        return ShowMessage(L"Excel 正忙，查询已取消。");
    }

    // A lookup that could not copy the block finds nothing: the copy an earlier lookup left may come
    // from another workbook.
    itemFound_ = copied && SearchKey();

    if (itemFound_) return FocusOn(QuantityBox);
    ShowMessage(L"查询ITEM不存在！");
}

// Copies the block out of the workbook, in the operator's running Excel or else in one of our own.
// Only an Excel started here is hidden and quit, and only a workbook opened here is closed: the
// operator's Excel, and a workbook they have open in it, may hold unsaved work.
bool MainWindow::CopyShippingList(ExcelHold& xl) {
    if (!CarryOn([&] { xl.excel = win::GetRunningObject(kExcelClass); }))
        xl.ownInstance = CarryOn([&] { xl.excel = win::CreateObject(kExcelClass); });

    CarryOn([&] {
        std::wstring path = TextOf(WorkbookBox);
        win::ComPtr<IDispatch> workbooks = win::AsObject(win::Get(xl.excel.get(), L"Workbooks"));
        // Opening a workbook the operator has open with unsaved changes would make Excel ask them
        // whether to discard the changes. An Excel of our own has nothing open.
        if (!xl.ownInstance) xl.workbook = FindOpenWorkbook(workbooks.get(), path);
        if (xl.workbook) return;
        // Read-only (UpdateLinks 0, ReadOnly True): Excel refuses a read-write open of a list another
        // Excel has open for editing, a lookup that runs inside this one's pending events included.
        xl.workbook = win::AsObject(win::Call(workbooks.get(), L"Open", path, 0, true));
        xl.openedWorkbook = true;
    });
    // A workbook just opened is the active one, whose first sheet the application's Sheets gives; one
    // the operator had open need not be, and its selected sheet is theirs.
    bool operatorsWorkbook = xl.workbook && !xl.openedWorkbook;
    if (xl.ownInstance) CarryOn([&] { win::Put(xl.excel.get(), L"Visible", false); });
    CarryOn([&] {
        IDispatch* sheetsOf = operatorsWorkbook ? xl.workbook.get() : xl.excel.get();
        win::ComPtr<IDispatch> first = win::AsObject(win::Get(sheetsOf, L"Sheets", short{1}));
        win::Variant name = win::Get(first.get(), L"Name");
        xl.sheet = win::AsObject(win::Get(xl.workbook.get(), L"Worksheets", std::move(name)));
    });
    if (!operatorsWorkbook) CarryOn([&] { win::Call(xl.sheet.get(), L"Select"); });
    CarryOn([&] {
        win::ComPtr<IDispatch> bottom = win::AsObject(win::CallId(xl.sheet.get(), DISPID_EVALUATE, L"a65536"));
        win::ComPtr<IDispatch> last = win::AsObject(win::Call(bottom.get(), L"End", kExcelUp));
        lastRow_ = win::Get(last.get(), L"Row");
    });
    bool copied = CarryOn([&] {
        win::ComPtr<IDispatch> top = win::AsObject(win::CallId(xl.sheet.get(), DISPID_EVALUATE, L"a1"));
        win::Variant block = ValuesOf(win::Call(top.get(), L"Resize", OneMoreRow(lastRow_), kBlockColumns));
        win::ReleaseInBackground(std::move(sheetBlock_));
        sheetBlock_ = std::move(block);
        // The row an earlier lookup found is a row of the old copy. Until the search finds the key in
        // this one, a print started by the events that run below has nothing to print.
        itemFound_ = false;
    });
    win::ProcessPendingMessages();

    if (xl.openedWorkbook) CarryOn([&] { win::Call(xl.workbook.get(), L"Close", true); });
    if (xl.ownInstance) CarryOn([&] { win::Call(xl.excel.get(), L"Quit"); });
    // A server lives while any of its objects is referenced: an Excel of our own that kept running
    // hidden could be the one Windows opens the operator's next workbook in, invisibly.
    xl = ExcelHold{};
    return copied;
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
