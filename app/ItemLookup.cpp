// Enter in the query box: copy the shipping list's block out of Excel and find the item key in it.
#include "app/CarryOn.h"
#include "app/CellText.h"
#include "app/MainWindow.h"
#include "win/RunningObjects.h"
#include "win/BackgroundRelease.h"
#include "win/Dispatch.h"
#include "win/FilePath.h"
#include "win/ObjectCreation.h"
#include "win/MessagePump.h"

namespace app {

namespace {
// The spreadsheet applications a lookup can drive, in the order it tries them: Excel, then WPS
// Office's spreadsheet (current versions, then older ones), whose object model follows Excel's.
constexpr const wchar_t* kSpreadsheetClasses[] = {L"Excel.Application", L"KET.Application", L"ET.Application"};
constexpr short kExcelUp = 3;         // End(3): up to the last filled cell
constexpr short kBlockColumns = 20;   // columns A to T
constexpr short kNeverUpdateLinks = 0;           // Open's UpdateLinks: neither update nor ask
constexpr bool kReadOnly = true;                  // Open's ReadOnly: a lookup only reads the list
constexpr std::int32_t kMacrosDisabled = 3;       // msoAutomationSecurityForceDisable

// The window an Excel reports as its main window.
HWND MainWindowOf(IDispatch* excel) {
    auto handle = win::ToInt32(*win::Get(excel, L"Hwnd").get());
    if (!handle) throw win::ComError(DISP_E_TYPEMISMATCH);
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(*handle));
}

// Lists a lookup's Excel with the window for as long as the lookup runs.
class LookupUnderWay {
public:
    LookupUnderWay(std::vector<ExcelThread*>& lookups, ExcelThread& xl) : lookups_(lookups), xl_(&xl) {
        lookups_.push_back(xl_);
    }
    ~LookupUnderWay() { std::erase(lookups_, xl_); }
    LookupUnderWay(const LookupUnderWay&) = delete;
    LookupUnderWay& operator=(const LookupUnderWay&) = delete;

private:
    std::vector<ExcelThread*>& lookups_;
    ExcelThread* xl_;
};

// Whether an open workbook is the file at that resolved path. A workbook that was never saved has a bare
// name instead of a path and is no file.
bool IsWorkbookOf(IDispatch* book, const std::wstring& file) {
    const std::wstring name = Required(win::ToText(*win::Get(book, L"FullName").get()));
    return name.find_first_of(L"\\/") != std::wstring::npos && win::SamePath(win::ResolvedPath(name), file);
}

// The workbook of that path among those open in the operator's Excel, or none; a workbook whose name
// cannot be read is passed over.
win::ComPtr<IDispatch> FindOpenWorkbook(IDispatch* workbooks, const std::wstring& path) {
    win::ComPtr<IDispatch> found;
    if (path.empty()) return found;
    std::wstring wanted = win::ResolvedPath(path);
    std::int32_t count = 0;
    CarryOn([&] { count = Required(win::ToInt32(*win::Get(workbooks, L"Count").get())); });
    for (std::int32_t i = 1; i <= count && !found; ++i) {
        CarryOn([&] {
            win::ComPtr<IDispatch> book = win::AsObject(win::Get(workbooks, L"Item", i));
            if (IsWorkbookOf(book.get(), wanted)) found = std::move(book);
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
    const int started = ++workStarted_;
    ServerWait excel(hwnd_, kExcelWait);
    const std::wstring path = TextOf(WorkbookBox);
    // The copy a lookup left is searched again when it is certain to be what the spreadsheet
    // application would hand over: the operator then has the answer at once.
    if (KeptCopyHolds(excel, path)) return ReportSearch();

    copySource_.reset();
    std::optional<services::FileStamp> stamp;
    if (!path.empty()) stamp = services::FileStamp::Before(path);
    CopyOutcome copy = CopyOutcome::NoSpreadsheet;
    {
        ExcelThread xl;
        LookupUnderWay underWay(lookups_, xl);
        copy = CopyShippingList(excel, xl, path);
    }
    // Kept for the next lookup: a complete copy without formulas (TODAY() can give another value at the
    // next opening), made while nothing else ran in the window, of a file that did not change meanwhile.
    if (copy == CopyOutcome::CopiedWithoutFormulas && !excel.cancelled() && workStarted_ == started && stamp &&
        stamp->Unchanged(path)) {
        copySource_ = CopySource{win::ResolvedPath(path), *std::move(stamp)};
    }
    // A lookup that could not copy the block finds nothing: the copy an earlier lookup left may come
    // from another workbook. So no print can follow.
    if (copy != CopyOutcome::Copied && copy != CopyOutcome::CopiedWithoutFormulas) itemFound_ = false;
    // A lookup the operator called off, or that never read the list, does not claim that the item is
    // missing: it says why it found nothing.
    if (excel.cancelled())
        return ShowMessage(excel.gaveUpWaiting() ? L"Excel 没有响应，查询已取消。" : L"Excel 正忙，查询已取消。");
    switch (copy) {
        case CopyOutcome::NoSpreadsheet: return ShowMessage(L"没有找到 Excel 或 WPS 表格，无法查询。");
        case CopyOutcome::NotOpened:
            return ShowMessage(path.empty() ? std::wstring(L"请先选择数据文件。") : L"无法打开数据文件：" + path);
        case CopyOutcome::NotRead: return ShowMessage(L"无法读取数据文件：" + path);
        case CopyOutcome::Copied:
        case CopyOutcome::CopiedWithoutFormulas: break;
    }

    ReportSearch();
}

void MainWindow::ReportSearch() {
    itemFound_ = SearchKey();
    if (itemFound_) return FocusOn(QuantityBox);
    ShowMessage(L"查询ITEM不存在！");
}

// Whether the copy the last lookup kept can stand for the workbook in the box: the same file, unchanged
// since, and not open in a spreadsheet application on this PC, whose unsaved edits a lookup would read.
// A copy open at another station does not matter: this PC would read the saved file as well.
bool MainWindow::KeptCopyHolds(ServerWait& wait, const std::wstring& path) {
    if (!copySource_ || path.empty()) return false;
    const std::wstring& file = copySource_->file;
    if (!win::SamePath(win::ResolvedPath(path), file) || !copySource_->stamp.Unchanged(path)) return false;
    for (const std::wstring& running : win::RunningFiles())
        if (win::SamePath(win::ResolvedPath(running), file)) return false;
    for (const wchar_t* spreadsheet : kSpreadsheetClasses) {
        ExcelThread xl;
        if (!wait.CarryOn(xl, [spreadsheet](ExcelHold& x) { x.excel = win::GetRunningObject(spreadsheet); })) {
            if (wait.cancelled()) return false;
            continue;  // none runs here under that name
        }
        // Asked strictly: one that cannot tell, or a workbook whose name cannot be read, might be this one.
        const bool asked = wait.CarryOn(xl, [file](ExcelHold& x) {
            win::ComPtr<IDispatch> workbooks = win::AsObject(win::Get(x.excel.get(), L"Workbooks"));
            const std::int32_t count = Required(win::ToInt32(*win::Get(workbooks.get(), L"Count").get()));
            for (std::int32_t i = 1; i <= count; ++i) {
                win::ComPtr<IDispatch> book = win::AsObject(win::Get(workbooks.get(), L"Item", i));
                if (IsWorkbookOf(book.get(), file)) return void(x.workbook = std::move(book));
            }
        });
        if (!asked || xl.state().workbook || wait.cancelled()) return false;
    }
    return true;
}

// Copies the block out of the workbook, in the operator's running spreadsheet application (Excel, or WPS's)
// or else in one of our own, and says how far it got.
// Only an Excel started here is hidden, told to ask nothing and quit, and only a workbook opened here is
// closed: the operator's Excel, its settings and a workbook they have open in it are theirs. The list
// is opened read-only without updating its links, and closed without saving: a lookup only reads it.
MainWindow::CopyOutcome MainWindow::CopyShippingList(ServerWait& wait, ExcelThread& xl, const std::wstring& path) {
    const ExcelHold& held = xl.state();  // read here between steps only
    // A stuck spreadsheet application of our own is ended: the one the lookup identified, or else the one
    // it was starting.
    std::optional<win::ServerProcess::Creation> creating;
    wait.EndOnCancel([&xl, &creating] {
        if (!xl.state().process.End() && creating) creating->Started().End();
    });
    struct Forget {
        ServerWait& wait;
        ~Forget() { wait.EndOnCancel(nullptr); }
    } forget{wait};

    for (const wchar_t* spreadsheet : kSpreadsheetClasses) {
        if (wait.CarryOn(xl, [spreadsheet](ExcelHold& x) { x.excel = win::GetRunningObject(spreadsheet); })) break;
        creating.emplace(spreadsheet);
        if (wait.CarryOn(xl, [spreadsheet](ExcelHold& x) {
                x.excel = win::CreateObject(spreadsheet);
                x.ownInstance = true;
            }))
            break;
        if (wait.cancelled()) break;
    }
    if (!held.excel) return CopyOutcome::NoSpreadsheet;
    const bool own = held.ownInstance;
    if (!own) wait.EndOnCancel(nullptr);
    if (own) {
        // What identifies the instance is read before anything can get stuck.
        wait.CarryOn(xl, [creation = *creating](ExcelHold& x) {
            x.process = creation.OwnerOf(MainWindowOf(x.excel.get()));
        });
        wait.CarryOn(xl, [](ExcelHold& x) { win::Put(x.excel.get(), L"DisplayAlerts", false); });
        wait.CarryOn(xl, [](ExcelHold& x) { win::Put(x.excel.get(), L"AutomationSecurity", kMacrosDisabled); });
    }
    const bool opened = wait.CarryOn(xl, [path, own](ExcelHold& x) {
        win::ComPtr<IDispatch> workbooks = win::AsObject(win::Get(x.excel.get(), L"Workbooks"));
        // Opening a workbook the operator has open with unsaved changes would make Excel ask them
        // whether to discard the changes. An Excel of our own has nothing open.
        if (!own) x.workbook = FindOpenWorkbook(workbooks.get(), path);
        if (x.workbook) return;
        x.workbook = win::AsObject(win::Call(workbooks.get(), L"Open", path, kNeverUpdateLinks, kReadOnly));
        x.openedWorkbook = true;
    });
    // A workbook just opened is the active one, whose first sheet the application's Sheets gives; one
    // the operator had open need not be, and its selected sheet is theirs.
    const bool operatorsWorkbook = held.workbook && !held.openedWorkbook;
    if (own) wait.CarryOn(xl, [](ExcelHold& x) { win::Put(x.excel.get(), L"Visible", false); });
    bool read = wait.CarryOn(xl, [operatorsWorkbook](ExcelHold& x) {
        IDispatch* sheetsOf = operatorsWorkbook ? x.workbook.get() : x.excel.get();
        win::ComPtr<IDispatch> first = win::AsObject(win::Get(sheetsOf, L"Sheets", short{1}));
        win::Variant name = win::Get(first.get(), L"Name");
        x.sheet = win::AsObject(win::Get(x.workbook.get(), L"Worksheets", std::move(name)));
    });
    if (!operatorsWorkbook) wait.CarryOn(xl, [](ExcelHold& x) { win::Call(x.sheet.get(), L"Select"); });
    const bool lastRowRead = wait.CarryOn(xl, [](ExcelHold& x) {
        win::ComPtr<IDispatch> bottom = win::AsObject(win::CallId(x.sheet.get(), DISPID_EVALUATE, L"a65536"));
        win::ComPtr<IDispatch> last = win::AsObject(win::Call(bottom.get(), L"End", kExcelUp));
        x.lastRow = win::Get(last.get(), L"Row");
    });
    if (lastRowRead) lastRow_ = std::move(xl.state().lastRow);
    std::optional<std::int32_t> rows;
    CarryOn([&] { rows = win::ToInt32(*OneMoreRow(lastRow_).get()); });
    bool copied = wait.CarryOn(xl, [rows](ExcelHold& x) {
        win::ComPtr<IDispatch> top = win::AsObject(win::CallId(x.sheet.get(), DISPID_EVALUATE, L"a1"));
        win::Variant block = win::Call(top.get(), L"Resize", Required(rows), kBlockColumns);
        if (block.type() == VT_DISPATCH) x.block = win::CallId((x.range = win::AsObject(block)).get(), DISPID_VALUE);
        else x.block = std::move(block);
    });
    // False when no cell of the block holds a formula, True when all do, Null when some do.
    const bool withoutFormulas = copied && wait.CarryOn(xl, [](ExcelHold& x) {
        win::Variant formulas = win::Get(x.range.get(), L"HasFormula");
        x.withoutFormulas = formulas.type() == VT_BOOL && V_BOOL(formulas.get()) == VARIANT_FALSE;
    }) && held.withoutFormulas;
    if (copied) {
        win::ReleaseInBackground(std::move(sheetBlock_));
        sheetBlock_ = std::move(xl.state().block);
        // The row an earlier lookup found is a row of the old copy. Until the search finds the key in
        // this one, a print started by the events that run below has nothing to print.
        itemFound_ = false;
    }
    win::ProcessPendingMessages();

    if (held.openedWorkbook) wait.CarryOn(xl, [](ExcelHold& x) { win::Call(x.workbook.get(), L"Close", false); });
    if (own) wait.CarryOn(xl, [](ExcelHold& x) { win::Call(x.excel.get(), L"Quit"); });
    // An Excel of our own that the operator called off is ended: nothing more goes to it, and it must not
    // stay behind hidden. (A server lives while any of its objects is referenced: xl lets go of them all
    // when the lookup is over.)
    if (own && wait.cancelled()) xl.state().process.End();
    if (!opened) return CopyOutcome::NotOpened;
    if (!read || !lastRowRead || !copied) return CopyOutcome::NotRead;
    // Only a copy of the saved file can stand for it later: a workbook the operator has open may hold
    // edits they never save.
    return withoutFormulas && !operatorsWorkbook ? CopyOutcome::CopiedWithoutFormulas : CopyOutcome::Copied;
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
