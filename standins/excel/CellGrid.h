#pragma once
// The filled cells of one worksheet, in sheet order, and where Excel's End goes among them. A cell
// that holds nothing (a formatted blank too) is not stored.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace xlsx {

constexpr std::uint32_t kMaxRow = 1048576;
constexpr std::uint32_t kMaxColumn = 16384;  // XFD

struct CellAddress {
    std::uint32_t row = 1;
    std::uint32_t column = 1;
};

// One cell in A1 style, letters in either case, "$" allowed: "A1", "a65536", "$T$20"; nullopt for
// anything else and outside A1:XFD1048576.
std::optional<CellAddress> ParseCellAddress(std::string_view text);

enum class CellKind : std::uint8_t { Text, Number, Date, Logical, Error };

struct Cell {
    std::uint32_t row = 0;
    std::uint16_t column = 0;
    CellKind kind = CellKind::Number;
    bool formula = false;     // the cell holds a formula; its value is the result saved with it
    std::uint32_t index = 0;  // Text: into the workbook's strings; Error: Excel's error number (2042 is #N/A)
    double number = 0;        // Number; Date as an automation date; Logical as 0 or 1
};

class CellGrid {
public:
    // Cells arrive while a sheet is read, in sheet order (row by row, left to right), as spreadsheet
    // programs write them; false for a cell out of that order.
    bool Add(const Cell& cell) {
        if (!cells_.empty() && Key(cells_.back().row, cells_.back().column) >= Key(cell.row, cell.column)) return false;
        cells_.push_back(cell);
        return true;
    }

    const Cell* Find(std::uint32_t row, std::uint32_t column) const;

    // Where Ctrl+arrow goes from a cell, one step being (rowStep, columnStep), (-1, 0) for xlUp: along
    // a run of filled cells to its last one, else to the next filled cell, else to the sheet's edge.
    CellAddress End(CellAddress from, int rowStep, int columnStep) const;

    // Calls f(cell) for each filled cell of the block from first to last.
    template <typename F>
    void ForEachIn(CellAddress first, CellAddress last, F&& f) const {
        auto cell = std::lower_bound(cells_.begin(), cells_.end(), Key(first.row, first.column), Before);
        for (; cell != cells_.end() && cell->row <= last.row; ++cell)
            if (cell->column >= first.column && cell->column <= last.column) f(*cell);
    }

private:
    static std::uint64_t Key(std::uint32_t row, std::uint32_t column) { return std::uint64_t{row} << 16 | column; }
    static bool Before(const Cell& cell, std::uint64_t key) { return Key(cell.row, cell.column) < key; }

    std::vector<Cell> cells_;
};

}  // namespace xlsx
