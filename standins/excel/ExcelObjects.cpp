#include "standins/excel/ExcelObjects.h"

#include <memory>

#include "standins/common/DispatchObject.h"
#include "standins/common/LocalServer.h"
#include "standins/common/OpenDocuments.h"
#include "standins/common/StandinConfig.h"
#include "standins/excel/XlsxWorkbook.h"
#include "win/SafeArray.h"
#include "win/TextConversion.h"

namespace standin {

namespace {

using enum MemberKind;

// What a client gets from an object of a workbook that was closed meanwhile.
constexpr HRESULT kObjectGone = static_cast<HRESULT>(0x800401A8);
// Excel's run-time error 7, for a block too large to hand out.
constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x800A0007);
constexpr std::uint64_t kMaxBlockCells = 8u << 20;

struct OpenBook : Document {
    xlsx::Workbook data;
    bool saved = true;  // false: it has changes the operator has not saved (the stand-in itself changes nothing)
};
using Book = std::shared_ptr<OpenBook>;

struct ExcelState {
    OpenDocuments<OpenBook> books;  // the last one is the active workbook
    bool visible = false;
};
using State = std::shared_ptr<ExcelState>;

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

class Range : public DispatchObject {
    enum : DISPID { kRow = 1, kEnd, kResize };
    static constexpr Member kMembers[] = {{L"Row", kRow, Property}, {L"End", kEnd, Property},
                                          {L"Resize", kResize, Property}};

public:
    Range(Book book, std::size_t sheet, xlsx::CellAddress cell)
        : DispatchObject(L"Range", kMembers), book_(std::move(book)), sheet_(sheet), cell_(cell) {}

protected:
    void OnCall(DISPID id, bool, const CallArgs& args, VARIANT* result) override {
        RequireOpen(*book_);
        const xlsx::CellGrid& cells = book_->data.sheets[sheet_].cells;
        switch (id) {
            case kRow: return SetLongResult(result, static_cast<long>(cell_.row));
            case kEnd: {
                auto [rowStep, columnStep] = Direction(args.Long(0));
                return SetNewObjectResult(result, new Range(book_, sheet_, cells.End(cell_, rowStep, columnStep)));
            }
            case kResize: {
                if (ConfigDword(kExcel, L"ResizeFails"))
                    throw Fault{kExcelError, L"Application-defined or object-defined error (scenario ResizeFails)"};
                long rows = args.has(0) ? args.Long(0) : 1, columns = args.has(1) ? args.Long(1) : 1;
                if (rows < 1 || columns < 1 || rows > static_cast<long>(xlsx::kMaxRow - cell_.row + 1) ||
                    columns > static_cast<long>(xlsx::kMaxColumn - cell_.column + 1))
                    ObjectError();
                if (static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(columns) > kMaxBlockCells)
                    throw Fault{kOutOfMemory, L"Out of memory"};
                xlsx::CellAddress last{cell_.row + static_cast<std::uint32_t>(rows) - 1,
                                       cell_.column + static_cast<std::uint32_t>(columns) - 1};
                return SetBlockValues(book_->data, cells, cell_, last, result);
            }
        }
    }

private:
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
    xlsx::CellAddress cell_;
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
    enum : DISPID { kFullName = 1, kSheets, kWorksheets, kSaved, kClose };
    static constexpr Member kMembers[] = {{L"FullName", kFullName, Property}, {L"Sheets", kSheets, Property},
                                          {L"Worksheets", kWorksheets, Property}, {L"Saved", kSaved, Writable},
                                          {L"Close", kClose, Method}};

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
            case kClose:
                // The save-changes argument is checked, but the stand-in never writes a file.
                if (args.has(0)) args.Bool(0);
                return state_->books.Close(book_);
        }
    }

private:
    State state_;
    Book book_;
};

// Workbooks.Open: reads the file, or hands back the workbook if it is open already.
Book Open(ExcelState& state, const std::wstring& path) {
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
    xlsx::LoadFailure failure;
    auto data = xlsx::ReadWorkbookFile(full, &failure);
    if (!data) {
        switch (failure.error) {
            case xlsx::LoadError::NotFound: throw Fault{kExcelError, L"'" + path + L"' could not be found."};
            case xlsx::LoadError::CannotRead:
                throw Fault{kExcelError, L"Microsoft Excel cannot access the file '" + full + L"'."};
            case xlsx::LoadError::Invalid: break;
        }
        throw Fault{kExcelError, L"Excel cannot open the file '" + full +
                                     L"' because the file format or file extension "
                                     L"is not valid (" +
                                     win::FromUtf8(failure.reason) + L")."};
    }
    auto book = std::make_shared<OpenBook>();
    book->path = full;
    book->data = std::move(*data);
    state.books.Add(book);
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
            case kOpen:
                // Further arguments (UpdateLinks, ReadOnly, ...) change nothing: the stand-in only reads.
                return SetNewObjectResult(result, new Workbook(state_, Open(*state_, args.Text(0))));
        }
    }

private:
    State state_;
};

class Application : public DispatchObject {
    enum : DISPID { kWorkbooks = 1, kVisible, kSheets, kQuit };
    static constexpr Member kMembers[] = {{L"Workbooks", kWorkbooks, Property}, {L"Visible", kVisible, Writable},
                                          {L"Sheets", kSheets, Property}, {L"Quit", kQuit, Method}};

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
                // Excel closes its workbooks without asking when its alerts are off; the stand-in never saves.
                state_->books.CloseAll();
                return LocalServer::RequestExit();
        }
    }

private:
    State state_;
};

}  // namespace

IDispatch* NewExcelApplication(bool visible, const std::wstring& unsavedWorkbook) {
    auto state = std::make_shared<ExcelState>();
    state->visible = visible;
    if (!unsavedWorkbook.empty()) Open(*state, unsavedWorkbook)->saved = false;
    return new Application(std::move(state));
}

}  // namespace standin
