#include "standins/excel/XlRange.h"

#include "standins/common/StandinConfig.h"
#include "standins/excel/CellValues.h"

namespace standin {

namespace {

enum : DISPID { kValue = 1, kRow, kColumn, kCount, kAddress, kEnd, kResize, kOffset };

// Values handed out in one call are capped so that a huge block cannot exhaust the server's memory.
constexpr std::uint64_t kMaxBlockCells = 8u << 20;
constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x800A0007);

std::optional<xlsx::Direction> DirectionOf(long code) {
    switch (code) {
        case 3: case -4162: return xlsx::Direction::Up;       // xlUp
        case 4: case -4121: return xlsx::Direction::Down;     // xlDown
        case 1: case -4159: return xlsx::Direction::Left;     // xlToLeft
        case 2: case -4161: return xlsx::Direction::Right;    // xlToRight
    }
    return std::nullopt;
}

[[noreturn]] void ObjectError() { throw Fault{kExcelError, L"Application-defined or object-defined error"}; }

}  // namespace

XlRange::XlRange(std::shared_ptr<OpenBook> book, std::size_t sheet, xlsx::RangeAddress range)
    : XlObject(L"Range",
               {{L"Value", kValue, true},
                {L"_Default", DISPID_VALUE, true},
                {L"Row", kRow, true},
                {L"Column", kColumn, true},
                {L"Count", kCount, true},
                {L"Address", kAddress, true},
                {L"End", kEnd, true},
                {L"Resize", kResize, true},
                {L"Offset", kOffset, true}}),
      book_(std::move(book)), sheet_(sheet), range_(range) {}

void XlRange::SetValues(const xlsx::RangeAddress& block, VARIANT* result) const {
    if (static_cast<std::uint64_t>(block.rows()) * block.columns() > kMaxBlockCells)
        throw Fault{kOutOfMemory, L"Out of memory"};
    HRESULT hr = xlsx::BlockToVariant(book_->data, book_->data.sheets[sheet_], block, result);
    if (FAILED(hr)) throw Fault{hr == E_OUTOFMEMORY ? kOutOfMemory : hr, L"Out of memory"};
}

void XlRange::Handle(DISPID id, bool, const CallArgs& args, VARIANT* result) {
    RequireOpen(*book_);
    switch (id) {
        case kValue:
        case DISPID_VALUE: return SetValues(range_, result);
        case kRow: return SetLongResult(result, static_cast<long>(range_.first.row));
        case kColumn: return SetLongResult(result, static_cast<long>(range_.first.column));
        case kCount: return SetLongResult(result, static_cast<long>(static_cast<std::uint64_t>(range_.rows()) * range_.columns()));
        case kAddress: return SetTextResult(result, xlsx::AbsoluteAddress(range_));
        case kEnd: {
            auto direction = DirectionOf(args.Long(0));
            if (!direction) ObjectError();
            xlsx::CellAddress end = book_->data.sheets[sheet_].cells.End(range_.first, *direction);
            return SetNewObjectResult(result, new XlRange(book_, sheet_, {end, end}));
        }
        case kResize: {
            if (ConfigDword(kExcel, L"ResizeFails"))
                throw Fault{kExcelError, L"Application-defined or object-defined error (scenario ResizeFails)"};
            long rows = args.has(0) ? args.Long(0) : static_cast<long>(range_.rows());
            long columns = args.has(1) ? args.Long(1) : static_cast<long>(range_.columns());
            if (rows < 1 || columns < 1 || rows > static_cast<long>(xlsx::kMaxRow - range_.first.row + 1) ||
                columns > static_cast<long>(xlsx::kMaxColumn - range_.first.column + 1))
                ObjectError();
            xlsx::RangeAddress block{range_.first,
                                     {range_.first.row + static_cast<std::uint32_t>(rows) - 1,
                                      range_.first.column + static_cast<std::uint32_t>(columns) - 1}};
            // The client takes the block's value in the same call.
            return SetValues(block, result);
        }
        case kOffset: {
            long rows = args.has(0) ? args.Long(0) : 0;
            long columns = args.has(1) ? args.Long(1) : 0;
            long long top = static_cast<long long>(range_.first.row) + rows;
            long long left = static_cast<long long>(range_.first.column) + columns;
            long long bottom = static_cast<long long>(range_.last.row) + rows;
            long long right = static_cast<long long>(range_.last.column) + columns;
            if (top < 1 || left < 1 || bottom > xlsx::kMaxRow || right > xlsx::kMaxColumn) ObjectError();
            xlsx::RangeAddress moved{{static_cast<std::uint32_t>(top), static_cast<std::uint32_t>(left)},
                                     {static_cast<std::uint32_t>(bottom), static_cast<std::uint32_t>(right)}};
            return SetNewObjectResult(result, new XlRange(book_, sheet_, moved));
        }
    }
}

}  // namespace standin
