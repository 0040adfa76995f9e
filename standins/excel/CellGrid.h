#pragma once
// The non-empty cells of one worksheet, kept row by row in sheet order, and Excel's End movement
// over them. Empty cells (also formatted blanks) are not stored.
#include <cstdint>
#include <vector>

#include "standins/excel/CellReference.h"

namespace xlsx {

enum class CellKind : std::uint8_t { Text, Number, Date, Bool, Error };

struct Cell {
    double number = 0;       // Number; Date as an automation date; Bool as 0 or 1
    std::uint32_t index = 0;  // Text: index into the workbook's strings; Error: Excel's error number (2042 = #N/A)
    std::uint16_t column = 0;
    CellKind kind = CellKind::Number;
};

enum class Direction { Up, Down, Left, Right };

class CellGrid {
public:
    // Appends a cell while a sheet is read. Cells normally arrive in sheet order; others are sorted by
    // Finish(), where a later cell replaces an earlier one at the same address.
    void Add(std::uint32_t row, const Cell& cell);
    void Finish();

    std::size_t size() const noexcept { return cells_.size(); }
    const Cell* Find(std::uint32_t row, std::uint32_t column) const noexcept;
    bool Filled(std::uint32_t row, std::uint32_t column) const noexcept { return Find(row, column) != nullptr; }

    // Where Ctrl+arrow goes from a cell: along a run of filled cells to its last one, or else to the
    // next filled cell, or else to the edge of the sheet.
    CellAddress End(CellAddress from, Direction direction) const noexcept;

    // Calls f(row, cell) for each stored cell inside the block, in sheet order.
    template <typename F>
    void ForEachIn(const RangeAddress& block, F&& f) const {
        for (std::size_t r = RowAtOrAfter(block.first.row); r < rows_.size() && rows_[r].row <= block.last.row; ++r) {
            const Cell* cell = cells_.data() + rows_[r].first;
            const Cell* end = cell + rows_[r].count;
            for (; cell != end && cell->column <= block.last.column; ++cell)
                if (cell->column >= block.first.column) f(rows_[r].row, *cell);
        }
    }

private:
    struct Row {
        std::uint32_t row;
        std::uint32_t first;  // index of its first cell in cells_
        std::uint32_t count;
    };

    std::size_t RowAtOrAfter(std::uint32_t row) const noexcept;
    const Cell* FindInRow(const Row& row, std::uint32_t column) const noexcept;
    std::uint32_t EndVertical(CellAddress from, bool up) const noexcept;
    std::uint32_t EndHorizontal(CellAddress from, bool left) const noexcept;

    std::vector<Row> rows_;
    std::vector<Cell> cells_;
    bool ordered_ = true;
};

}  // namespace xlsx
