#include "standins/excel/XlWorksheet.h"

#include <algorithm>

#include "standins/excel/CellReference.h"
#include "standins/excel/XlRange.h"
#include "win/Variant.h"

namespace standin {

namespace {

enum : DISPID { kName = 1, kIndex, kVisible, kSelect, kActivate, kRange, kCells };

// Excel's value for a name it cannot evaluate: the error value #NAME?.
constexpr SCODE kNameError = static_cast<SCODE>(0x800A0000u + 2029);

xlsx::RangeAddress RangeArgument(const CallArgs& args, size_t i) {
    auto range = xlsx::ParseRangeReference(args.Text(i));
    if (!range) throw Fault{kExcelError, L"Method 'Range' of object '_Worksheet' failed"};
    return *range;
}

}  // namespace

XlWorksheet::XlWorksheet(std::shared_ptr<OpenBook> book, std::size_t sheet)
    : XlObject(L"Worksheet",
               {{L"Name", kName, true},
                {L"Index", kIndex, true},
                {L"Visible", kVisible, true},
                {L"Select", kSelect, false},
                {L"Activate", kActivate, false},
                {L"Evaluate", DISPID_EVALUATE, false},
                {L"Range", kRange, true},
                {L"Cells", kCells, true}}),
      book_(std::move(book)), sheet_(sheet) {}

void XlWorksheet::Handle(DISPID id, bool, const CallArgs& args, VARIANT* result) {
    RequireOpen(*book_);
    const xlsx::Sheet& sheet = book_->data.sheets[sheet_];
    bool cells = sheet.kind != xlsx::SheetKind::Chart;
    switch (id) {
        case kName: return SetTextResult(result, sheet.name);
        case kIndex: return SetLongResult(result, static_cast<long>(sheet_ + 1));
        case kVisible: return SetLongResult(result, sheet.hidden ? 0 : -1);  // xlSheetHidden / xlSheetVisible
        case kSelect:
        case kActivate:
            if (sheet.hidden) throw Fault{kExcelError, L"Select method of Worksheet class failed"};
            book_->data.activeSheet = sheet_;
            return;
        case DISPID_EVALUATE: {
            // [A65536] in a script: a reference evaluates to its range; anything else to #NAME?.
            auto range = xlsx::ParseRangeReference(args.Text(0));
            if (!range || !cells) {
                V_VT(result) = VT_ERROR;
                V_ERROR(result) = kNameError;
                return;
            }
            return SetNewObjectResult(result, new XlRange(book_, sheet_, *range));
        }
        case kRange: {
            if (!cells) throw Fault{kExcelError, L"Method 'Range' of object '_Chart' failed"};
            xlsx::RangeAddress range = RangeArgument(args, 0);
            if (args.has(1)) {
                // Range("A1", "C3"): the block spanning both.
                xlsx::RangeAddress other = RangeArgument(args, 1);
                range.first = {std::min(range.first.row, other.first.row), std::min(range.first.column, other.first.column)};
                range.last = {std::max(range.last.row, other.last.row), std::max(range.last.column, other.last.column)};
            }
            return SetNewObjectResult(result, new XlRange(book_, sheet_, range));
        }
        case kCells: {
            if (!cells) throw Fault{kExcelError, L"Method 'Cells' of object '_Chart' failed"};
            long row = args.Long(0);
            long column = 0;
            if (args.has(1) && V_VT(&args[1]) == VT_BSTR) {
                auto letters = xlsx::ParseColumnLetters(args.Text(1));
                column = letters ? static_cast<long>(*letters) : 0;
            } else {
                column = args.Long(1);
            }
            if (row < 1 || row > static_cast<long>(xlsx::kMaxRow) || column < 1 ||
                column > static_cast<long>(xlsx::kMaxColumn))
                throw Fault{kExcelError, L"Application-defined or object-defined error"};
            xlsx::CellAddress cell{static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column)};
            return SetNewObjectResult(result, new XlRange(book_, sheet_, {cell, cell}));
        }
    }
}

}  // namespace standin
