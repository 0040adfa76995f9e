#include "standins/excel/ExcelObjects.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "standins/common/CallLog.h"
#include "standins/common/DispatchObject.h"
#include "standins/common/LocalServer.h"
#include "standins/common/OpenDocuments.h"
#include "standins/common/StandinConfig.h"
#include "standins/excel/WorkbookFile.h"
#include "standins/excel/XlsxWorkbook.h"
#include "win/SafeArray.h"
#include "win/TextConversion.h"
#include "win/UniqueResource.h"

namespace standin {

namespace {

using enum MemberKind;

// What a client gets from an object of a workbook that was closed meanwhile.
constexpr HRESULT kObjectGone = static_cast<HRESULT>(0x800401A8);
// Excel's run-time error 7, for a block too large to hand out.
constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x800A0007);
constexpr std::uint64_t kMaxBlockCells = 8u << 20;

// msoAutomationSecurityForceDisable: files opened from code run no macros.
constexpr long kMacrosOff = 3;

struct OpenBook : Document {
    xlsx::Workbook data;
    bool saved = true;  // false: it has changes not saved (the operator's, or a recalculation's)
    bool readOnly = false;
    std::unique_ptr<WorkbookFile> file;  // held while the workbook is open
};
using Book = std::shared_ptr<OpenBook>;

struct MainWindowTraits {
    using pointer = HWND;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer window) noexcept { ::DestroyWindow(window); }
};

// Excel's main window ("XLMAIN"), whose handle Application.Hwnd gives. It exists while Excel is
// hidden too, and is never shown: the stand-in draws nothing, and a window shown would take the
// focus from the program under test.
win::UniqueResource<MainWindowTraits> NewMainWindow() {
    static const ATOM windowClass = [] {
        WNDCLASSW c{};
        c.lpfnWndProc = ::DefWindowProcW;
        c.hInstance = ::GetModuleHandleW(nullptr);
        c.lpszClassName = L"XLMAIN";
        return ::RegisterClassW(&c);
    }();
    return win::UniqueResource<MainWindowTraits>(
        ::CreateWindowExW(0, MAKEINTATOM(windowClass), L"Excel", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

struct ExcelState {
    OpenDocuments<OpenBook> books;  // the last one is the active workbook
    bool visible = false;
    bool displayAlerts = true;
    long automationSecurity = 1;  // msoAutomationSecurityLow: macros run
    win::UniqueResource<MainWindowTraits> window = NewMainWindow();
};
using State = std::shared_ptr<ExcelState>;

// Closing a workbook lets go of its file, its owner file and its running-object table entry at once;
// objects of the workbook that clients still hold keep only its contents.
void CloseBook(ExcelState& state, const Book& book) {
    book->file.reset();
    state.books.Close(book);
}

void CloseAllBooks(ExcelState& state) {
    for (const Book& book : state.books.list()) book->file.reset();
    state.books.CloseAll();
}

// A question Excel asks on a window no one sees (the link update, an open-time macro's message box,
// Save As): the call never returns. The call is logged as it begins, with the kind "hung"; then the
// stand-in waits without pumping messages, so no other call gets in, until the process is ended
// from outside or by its stop event. The class goes first (Excel is a single-use server anyway), so
// that ending the process from outside leaves nothing behind in Wine's rpcss.
[[noreturn]] void AskUnseen(const wchar_t* object, const wchar_t* member, const CallArgs& args,
                            const std::wstring& question) {
    CallRecord record;
    record.object = object;
    record.member = member;
    record.kind = "hung";
    for (std::size_t i = 0; i < args.size(); ++i) record.args.push_back(TypedText(args[i]));
    record.hr = E_PENDING;
    record.error = question + L": the call never returns";
    record.t0 = record.t1 = NowMicroseconds();
    LogCall(kExcel, record);
    LocalServer::WithdrawClass();
    win::UniqueHandle stop(
        ::CreateEventW(nullptr, TRUE, FALSE, LocalServer::StopEventName(LocalServer::Info()).c_str()));
    ::WaitForSingleObject(stop ? stop.get() : ::GetCurrentProcess(), INFINITE);
    LocalServer::Crash(1);
}

[[noreturn]] void ObjectError() { throw Fault{kExcelError, L"Application-defined or object-defined error"}; }

void RequireOpen(const OpenBook& book) {
    if (book.closed) throw Fault{kObjectGone, L"The workbook of this object has been closed."};
}

// The item an index argument names among count items: a position from 1, or a name for which
// named(i, name) holds.
template <typename Named>
std::size_t ItemIndex(const CallArgs& args, std::size_t count, Named&& named) {
    if (!args.has(0)) throw Fault{DISP_E_PARAMNOTFOUND, L"Argument not optional"};
    if (V_VT(&args[0]) == VT_BSTR) {
        std::wstring name = args.Text(0);
        for (std::size_t i = 0; i < count; ++i)
            if (named(i, name)) return i;
    } else if (long position = args.Long(0); position >= 1 && static_cast<std::size_t>(position) <= count) {
        return static_cast<std::size_t>(position - 1);
    }
    throw Fault{DISP_E_BADINDEX, L"Subscript out of range"};
}

std::size_t SheetIndex(const OpenBook& book, const CallArgs& args) {
    const auto& sheets = book.data.sheets;
    return ItemIndex(args, sheets.size(),
                     [&](std::size_t i, const std::wstring& name) { return SameText(sheets[i].name, name); });
}

void SetCellValue(const xlsx::Workbook& book, const xlsx::Cell* cell, VARIANT* out) {
    if (!cell) return;  // VT_EMPTY
    switch (cell->kind) {
        case xlsx::CellKind::Text: return SetTextResult(out, book.strings[cell->index]);
        case xlsx::CellKind::Number:
            V_VT(out) = VT_R8;
            V_R8(out) = cell->number;
            return;
        case xlsx::CellKind::Date:
            V_VT(out) = VT_DATE;
            V_DATE(out) = cell->number;
            return;
        case xlsx::CellKind::Logical: return SetBoolResult(out, cell->number != 0);
        case xlsx::CellKind::Error:
            V_VT(out) = VT_ERROR;
            V_ERROR(out) = static_cast<SCODE>(0x800A0000u + cell->index);
            return;
    }
}

// The values of a block: the value alone for one cell, else a two-dimensional array.
void SetBlockValues(const xlsx::Workbook& book, const xlsx::CellGrid& cells, xlsx::CellAddress first,
                    xlsx::CellAddress last, VARIANT* result) {
    ULONG rows = last.row - first.row + 1, columns = last.column - first.column + 1;
    if (rows == 1 && columns == 1) return SetCellValue(book, cells.Find(first.row, first.column), result);
    SAFEARRAYBOUND bounds[2] = {{rows, 1}, {columns, 1}};
    win::SafeArray array(::SafeArrayCreate(VT_VARIANT, 2, bounds));
    VARIANT* elements = nullptr;
    if (!array || FAILED(::SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&elements))))
        throw Fault{kOutOfMemory, L"Out of memory"};
    // The first index varies fastest; SafeArrayCreate has made every element VT_EMPTY.
    cells.ForEachIn(first, last, [&](const xlsx::Cell& cell) {
        SetCellValue(book, &cell, &elements[(cell.row - first.row) + std::size_t{cell.column - first.column} * rows]);
    });
    ::SafeArrayUnaccessData(array.get());
    V_VT(result) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(result) = array.release();
}

// A block of cells of a worksheet: one cell from Evaluate and End, more from Resize.
class Range : public DispatchObject {
    enum : DISPID { kRow = 1, kEnd, kResize, kHasFormula };
    static constexpr Member kMembers[] = {{L"Row", kRow, Property},
                                          {L"End", kEnd, Property},
                                          {L"Resize", kResize, Property},
                                          {L"HasFormula", kHasFormula, Property},
                                          {L"Value", DISPID_VALUE, Property}};

public:
    Range(Book book, std::size_t sheet, xlsx::CellAddress first, xlsx::CellAddress last)
        : DispatchObject(L"Range", kMembers), book_(std::move(book)), sheet_(sheet), first_(first), last_(last) {}
    Range(Book book, std::size_t sheet, xlsx::CellAddress cell) : Range(std::move(book), sheet, cell, cell) {}

protected:
    void OnCall(DISPID id, bool, const CallArgs& args, VARIANT* result) override {
        RequireOpen(*book_);
        const xlsx::CellGrid& cells = book_->data.sheets[sheet_].cells;
        switch (id) {
            case kRow: return SetLongResult(result, static_cast<long>(first_.row));
            case kEnd: {
                auto [rowStep, columnStep] = Direction(args.Long(0));
                return SetNewObjectResult(result, new Range(book_, sheet_, cells.End(first_, rowStep, columnStep)));
            }
            case kResize: {
                if (ConfigDword(kExcel, L"ResizeFails"))
                    throw Fault{kExcelError, L"Application-defined or object-defined error (scenario ResizeFails)"};
                long rows = args.has(0) ? args.Long(0) : Rows(), columns = args.has(1) ? args.Long(1) : Columns();
                if (rows < 1 || columns < 1 || rows > static_cast<long>(xlsx::kMaxRow - first_.row + 1) ||
                    columns > static_cast<long>(xlsx::kMaxColumn - first_.column + 1))
                    ObjectError();
                xlsx::CellAddress last{first_.row + static_cast<std::uint32_t>(rows) - 1,
                                       first_.column + static_cast<std::uint32_t>(columns) - 1};
                return SetNewObjectResult(result, new Range(book_, sheet_, first_, last));
            }
            case kHasFormula: {
                std::uint64_t formulas = 0;
                cells.ForEachIn(first_, last_, [&](const xlsx::Cell& cell) { formulas += cell.formula; });
                // Null: some cells of the range hold a formula, others not.
                if (formulas == 0 || formulas == Cells())
                    return SetBoolResult(result, formulas != 0);
                V_VT(result) = VT_NULL;
                return;
            }
            case DISPID_VALUE:
                if (Cells() > kMaxBlockCells) throw Fault{kOutOfMemory, L"Out of memory"};
                return SetBlockValues(book_->data, cells, first_, last_, result);
        }
    }

private:
    long Rows() const { return static_cast<long>(last_.row - first_.row + 1); }
    long Columns() const { return static_cast<long>(last_.column - first_.column + 1); }
    std::uint64_t Cells() const { return static_cast<std::uint64_t>(Rows()) * static_cast<std::uint64_t>(Columns()); }

    // The step of an XlDirection, in either of its numberings.
    static std::pair<int, int> Direction(long code) {
        switch (code) {
            case 3: case -4162: return {-1, 0};  // xlUp
            case 4: case -4121: return {1, 0};   // xlDown
            case 1: case -4159: return {0, -1};  // xlToLeft
            case 2: case -4161: return {0, 1};   // xlToRight
        }
        ObjectError();
    }

    Book book_;
    std::size_t sheet_;
    xlsx::CellAddress first_, last_;
};

class Worksheet : public DispatchObject {
    enum : DISPID { kName = 1, kSelect };
    static constexpr Member kMembers[] = {{L"Name", kName, Property}, {L"Select", kSelect, Method},
                                          {L"Evaluate", DISPID_EVALUATE, Method}};

public:
    Worksheet(Book book, std::size_t sheet)
        : DispatchObject(L"Worksheet", kMembers), book_(std::move(book)), sheet_(sheet) {}

protected:
    void OnCall(DISPID id, bool, const CallArgs& args, VARIANT* result) override {
        RequireOpen(*book_);
        switch (id) {
            case kName: return SetTextResult(result, book_->data.sheets[sheet_].name);
            case kSelect: return;
            case DISPID_EVALUATE: {
                // A reference evaluates to its range; anything else to the error value #NAME?.
                auto cell = xlsx::ParseCellAddress(win::ToUtf8(args.Text(0)));
                if (cell) return SetNewObjectResult(result, new Range(book_, sheet_, *cell));
                V_VT(result) = VT_ERROR;
                V_ERROR(result) = static_cast<SCODE>(0x800A0000u + 2029);
                return;
            }
        }
    }

private:
    Book book_;
    std::size_t sheet_;
};

class Workbook : public DispatchObject {
    enum : DISPID { kFullName = 1, kSheets, kWorksheets, kSaved, kClose, kReadOnly };
    static constexpr Member kMembers[] = {{L"FullName", kFullName, Property}, {L"Sheets", kSheets, Property},
                                          {L"Worksheets", kWorksheets, Property}, {L"Saved", kSaved, Writable},
                                          {L"Close", kClose, Method},           {L"ReadOnly", kReadOnly, Property}};

public:
    Workbook(State state, Book book)
        : DispatchObject(L"Workbook", kMembers), state_(std::move(state)), book_(std::move(book)) {}

protected:
    void OnCall(DISPID id, bool put, const CallArgs& args, VARIANT* result) override {
        RequireOpen(*book_);
        switch (id) {
            case kFullName: return SetTextResult(result, book_->path);
            case kSheets:
            case kWorksheets: return SetNewObjectResult(result, new Worksheet(book_, SheetIndex(*book_, args)));
            case kSaved: return LogicalProperty(book_->saved, put, args, result);
            case kReadOnly: return SetBoolResult(result, book_->readOnly);
            case kClose:
                // Close(True) saves a workbook with changes; without the argument, or with False, the
                // changes are dropped (Excel asks instead while its alerts are on: not played here).
                if (args.has(0) && args.Bool(0) && !book_->saved) Save(args);
                return CloseBook(*state_, book_);
        }
    }

private:
    // Saving rewrites the file (the stand-in's only change is the recalculation's: Excel's calculation
    // id). A read-only workbook can only be saved under another name: Excel asks for one.
    void Save(const CallArgs& args) {
        if (book_->readOnly)
            AskUnseen(L"Workbook", L"Close", args, L"Save As: a read-only workbook is saved under another name");
        std::string error;
        auto saved = xlsx::RecalculatedPackage(book_->file->Read(), &error);
        if (!saved)
            throw Fault{kExcelError, L"Microsoft Excel cannot save the file '" + book_->path + L"' (" +
                                         win::FromUtf8(error) + L")."};
        book_->file->Write(*saved);
    }

    State state_;
    Book book_;
};

// What Workbooks.Open was asked: Open(Filename, [UpdateLinks], [ReadOnly]).
struct OpenRequest {
    std::wstring path;
    std::optional<long> updateLinks;  // 0: links are not updated, and Excel does not ask
    bool readOnly = false;
};

// A question on a window no one sees, which never returns (AskUnseen); none for a workbook the
// operator has open from the start: they have answered Excel's questions already.
using Ask = std::function<void(const std::wstring& question)>;

// Workbooks.Open: opens and reads the file, or hands back the workbook if it is open already.
Book Open(ExcelState& state, const OpenRequest& request, const Ask& ask) {
    const std::wstring& path = request.path;
    if (ConfigDword(kExcel, L"OpenFails"))
        throw Fault{kExcelError, L"Microsoft Excel cannot access the file '" + path + L"'. (scenario OpenFails)"};
    std::wstring full = FullPath(path);
    // An open workbook comes back as it is, unsaved changes and all, and is the active one again.
    // (Excel first asks the operator whether to discard the changes of a modified one.)
    for (const Book& book : state.books.list()) {
        if (!SameText(book->path, full)) continue;
        Book found = book;
        state.books.Activate(found);
        return found;
    }
    auto file = std::make_unique<WorkbookFile>(full, request.readOnly);
    xlsx::LoadFailure failure;
    auto data = xlsx::ReadWorkbook(file->Read(), &failure);
    if (!data)
        throw Fault{kExcelError, L"Excel cannot open the file '" + full +
                                     L"' because the file format or file extension "
                                     L"is not valid (" +
                                     win::FromUtf8(failure.reason) + L")."};
    file->Announce();
    auto book = std::make_shared<OpenBook>();
    book->path = full;
    book->data = std::move(*data);
    book->readOnly = file->readOnly();
    book->file = std::move(file);
    state.books.Add(book);

    if (ask) {
        // Any UpdateLinks but 0 updates the links, and their sources are not at hand here: Excel asks then too.
        if (book->data.externalLinks && request.updateLinks.value_or(-1) != 0)
            ask(L"the link-update question (update the links to other workbooks?)");
        if (book->data.macroProject && state.automationSecurity != kMacrosOff)
            ask(L"the message box of the workbook's open-time macro");
    }
    // Opening recalculates what must be recalculated on every opening, which changes the workbook.
    if (book->data.volatileFormulas) book->saved = false;
    return book;
}

class Workbooks : public DispatchObject {
    enum : DISPID { kCount = 1, kItem, kOpen };
    static constexpr Member kMembers[] = {{L"Count", kCount, Property}, {L"Item", kItem, Property},
                                          {L"Open", kOpen, Method}};

public:
    explicit Workbooks(State state) : DispatchObject(L"Workbooks", kMembers), state_(std::move(state)) {}

protected:
    void OnCall(DISPID id, bool, const CallArgs& args, VARIANT* result) override {
        const auto& books = state_->books.list();
        switch (id) {
            case kCount: return SetLongResult(result, static_cast<long>(books.size()));
            case kItem: {
                std::size_t i = ItemIndex(args, books.size(), [&](std::size_t i, const std::wstring& name) {
                    return SameText(books[i]->name(), name) || SameText(books[i]->path, name);
                });
                return SetNewObjectResult(result, new Workbook(state_, books[i]));
            }
            case kOpen: {
                OpenRequest request{args.Text(0)};
                if (args.has(1)) request.updateLinks = args.Long(1);
                request.readOnly = args.has(2) && args.Bool(2);
                Ask ask = [&](const std::wstring& question) { AskUnseen(L"Workbooks", L"Open", args, question); };
                return SetNewObjectResult(result, new Workbook(state_, Open(*state_, request, ask)));
            }
        }
    }

private:
    State state_;
};

class Application : public DispatchObject {
    enum : DISPID { kWorkbooks = 1, kVisible, kSheets, kQuit, kHwnd, kDisplayAlerts, kAutomationSecurity };
    static constexpr Member kMembers[] = {{L"Workbooks", kWorkbooks, Property},
                                          {L"Visible", kVisible, Writable},
                                          {L"Sheets", kSheets, Property},
                                          {L"Quit", kQuit, Method},
                                          {L"Hwnd", kHwnd, Property},
                                          {L"DisplayAlerts", kDisplayAlerts, Writable},
                                          {L"AutomationSecurity", kAutomationSecurity, Writable}};

public:
    explicit Application(State state) : DispatchObject(L"Application", kMembers), state_(std::move(state)) {}

protected:
    void OnCall(DISPID id, bool put, const CallArgs& args, VARIANT* result) override {
        switch (id) {
            case kWorkbooks: return SetNewObjectResult(result, new Workbooks(state_));
            case kVisible: return LogicalProperty(state_->visible, put, args, result);
            case kSheets: {
                if (state_->books.list().empty()) throw Fault{kExcelError, L"No workbook is open."};
                const Book& active = state_->books.list().back();
                return SetNewObjectResult(result, new Worksheet(active, SheetIndex(*active, args)));
            }
            case kQuit:
                // Excel closes its workbooks without asking when its alerts are off; the stand-in drops
                // the changes of modified ones whatever the alerts.
                CloseAllBooks(*state_);
                return LocalServer::RequestExit();
            case kHwnd:
                // A Long, as Excel gives it; window handles have 32 significant bits in 64-bit Windows too.
                return SetLongResult(result, static_cast<long>(reinterpret_cast<std::intptr_t>(state_->window.get())));
            case kDisplayAlerts: return LogicalProperty(state_->displayAlerts, put, args, result);
            case kAutomationSecurity: {
                if (!put) return SetLongResult(result, state_->automationSecurity);
                auto level = win::ToInt32(args.value());
                if (!level) throw Fault{DISP_E_TYPEMISMATCH, L"Type mismatch"};
                // msoAutomationSecurityLow, ...ByUI, ...ForceDisable
                if (*level < 1 || *level > kMacrosOff) ObjectError();
                state_->automationSecurity = *level;
                return;
            }
        }
    }

private:
    State state_;
};

}  // namespace

IDispatch* NewExcelApplication(bool visible, const std::wstring& unsavedWorkbook) {
    auto state = std::make_shared<ExcelState>();
    state->visible = visible;
    if (!unsavedWorkbook.empty()) Open(*state, {unsavedWorkbook}, nullptr)->saved = false;
    return new Application(std::move(state));
}

}  // namespace standin
