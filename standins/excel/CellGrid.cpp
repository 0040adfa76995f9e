#include "standins/excel/CellGrid.h"

#include <algorithm>
#include <numeric>

namespace xlsx {

void CellGrid::Add(std::uint32_t row, const Cell& cell) {
    if (rows_.empty() || rows_.back().row != row) {
        if (!rows_.empty() && rows_.back().row > row) ordered_ = false;
        rows_.push_back({row, static_cast<std::uint32_t>(cells_.size()), 0});
    } else if (cells_.back().column >= cell.column) {
        ordered_ = false;
    }
    cells_.push_back(cell);
    ++rows_.back().count;
}

void CellGrid::Finish() {
    if (ordered_) return;
    // Rare: rows or cells out of order or repeated. Sort the cells by address, keeping arrival order
    // among equals so that the last one wins.
    std::vector<std::uint32_t> rowOf(cells_.size());
    for (const Row& r : rows_)
        for (std::uint32_t i = 0; i < r.count; ++i) rowOf[r.first + i] = r.row;
    std::vector<std::uint32_t> order(cells_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return rowOf[a] != rowOf[b] ? rowOf[a] < rowOf[b] : cells_[a].column < cells_[b].column;
    });
    std::vector<Row> rows;
    std::vector<Cell> cells;
    cells.reserve(cells_.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        std::uint32_t i = order[k];
        bool replaced = k + 1 < order.size() && rowOf[order[k + 1]] == rowOf[i] &&
                        cells_[order[k + 1]].column == cells_[i].column;
        if (replaced) continue;
        if (rows.empty() || rows.back().row != rowOf[i])
            rows.push_back({rowOf[i], static_cast<std::uint32_t>(cells.size()), 0});
        cells.push_back(cells_[i]);
        ++rows.back().count;
    }
    rows_ = std::move(rows);
    cells_ = std::move(cells);
    ordered_ = true;
}

std::size_t CellGrid::RowAtOrAfter(std::uint32_t row) const noexcept {
    return static_cast<std::size_t>(
        std::lower_bound(rows_.begin(), rows_.end(), row, [](const Row& r, std::uint32_t n) { return r.row < n; }) -
        rows_.begin());
}

const Cell* CellGrid::FindInRow(const Row& row, std::uint32_t column) const noexcept {
    const Cell* begin = cells_.data() + row.first;
    const Cell* end = begin + row.count;
    const Cell* it =
        std::lower_bound(begin, end, column, [](const Cell& c, std::uint32_t n) { return c.column < n; });
    return it != end && it->column == column ? it : nullptr;
}

const Cell* CellGrid::Find(std::uint32_t row, std::uint32_t column) const noexcept {
    std::size_t r = RowAtOrAfter(row);
    if (r == rows_.size() || rows_[r].row != row) return nullptr;
    return FindInRow(rows_[r], column);
}

std::uint32_t CellGrid::EndVertical(CellAddress from, bool up) const noexcept {
    const std::uint32_t edge = up ? 1 : kMaxRow;
    if (from.row == edge) return edge;
    const std::uint32_t column = from.column;
    const std::uint32_t neighbour = up ? from.row - 1 : from.row + 1;
    // Index of the stored row holding `neighbour`, or of the first stored row beyond it in the direction of travel.
    std::size_t r = RowAtOrAfter(neighbour);
    auto filledAt = [&](std::size_t i) { return FindInRow(rows_[i], column) != nullptr; };

    bool neighbourFilled = r < rows_.size() && rows_[r].row == neighbour && filledAt(r);
    if (Filled(from.row, column) && neighbourFilled) {
        // Along the run: stop at the last filled cell before a gap.
        std::uint32_t at = neighbour;
        if (up) {
            while (at > 1 && r > 0 && rows_[r - 1].row == at - 1 && filledAt(r - 1)) --r, --at;
        } else {
            while (at < kMaxRow && r + 1 < rows_.size() && rows_[r + 1].row == at + 1 && filledAt(r + 1)) ++r, ++at;
        }
        return at;
    }
    // Across the gap: the next filled cell, or the edge.
    if (up) {
        std::size_t i = (r < rows_.size() && rows_[r].row == neighbour) ? r + 1 : r;
        while (i-- > 0)
            if (filledAt(i)) return rows_[i].row;
    } else {
        for (std::size_t i = r; i < rows_.size(); ++i)
            if (filledAt(i)) return rows_[i].row;
    }
    return edge;
}

std::uint32_t CellGrid::EndHorizontal(CellAddress from, bool left) const noexcept {
    const std::uint32_t edge = left ? 1 : kMaxColumn;
    if (from.column == edge) return edge;
    std::size_t r = RowAtOrAfter(from.row);
    if (r == rows_.size() || rows_[r].row != from.row) return edge;
    const Cell* begin = cells_.data() + rows_[r].first;
    const Cell* end = begin + rows_[r].count;
    const Cell* here =
        std::lower_bound(begin, end, from.column, [](const Cell& c, std::uint32_t n) { return c.column < n; });
    bool filled = here != end && here->column == from.column;
    const std::uint32_t neighbour = left ? from.column - 1 : from.column + 1;
    if (left) {
        // Cells before `here` have smaller columns.
        if (here == begin) return edge;
        const Cell* prev = here - 1;
        if (filled && prev->column == neighbour) {
            while (prev != begin && (prev - 1)->column == prev->column - 1) --prev;
            return prev->column;
        }
        return prev->column;
    }
    const Cell* next = filled ? here + 1 : here;
    if (next == end) return edge;
    if (filled && next->column == neighbour) {
        while (next + 1 != end && (next + 1)->column == next->column + 1) ++next;
        return next->column;
    }
    return next->column;
}

CellAddress CellGrid::End(CellAddress from, Direction direction) const noexcept {
    switch (direction) {
        case Direction::Up: return {EndVertical(from, true), from.column};
        case Direction::Down: return {EndVertical(from, false), from.column};
        case Direction::Left: return {from.row, EndHorizontal(from, true)};
        case Direction::Right: return {from.row, EndHorizontal(from, false)};
    }
    return from;
}

}  // namespace xlsx
