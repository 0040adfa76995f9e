#include "standins/excel/CellGrid.h"

namespace xlsx {

std::optional<CellAddress> ParseCellAddress(std::string_view text) {
    std::size_t at = 0;
    auto dollar = [&] {
        if (at < text.size() && text[at] == '$') ++at;
    };
    dollar();
    std::uint32_t column = 0, row = 0;
    std::size_t letters = at;
    for (; at < text.size() && at - letters < 4; ++at) {
        char c = static_cast<char>(text[at] & ~0x20);  // upper case
        if (c < 'A' || c > 'Z') break;
        column = column * 26 + static_cast<std::uint32_t>(c - 'A' + 1);
    }
    if (at == letters || column > kMaxColumn) return std::nullopt;
    dollar();
    std::size_t digits = at;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && row <= kMaxRow; ++at)
        row = row * 10 + static_cast<std::uint32_t>(text[at] - '0');
    if (at == digits || at != text.size() || row < 1 || row > kMaxRow) return std::nullopt;
    return CellAddress{row, column};
}

const Cell* CellGrid::Find(std::uint32_t row, std::uint32_t column) const {
    auto cell = std::lower_bound(cells_.begin(), cells_.end(), Key(row, column), Before);
    return cell != cells_.end() && cell->row == row && cell->column == column ? &*cell : nullptr;
}

CellAddress CellGrid::End(CellAddress from, int rowStep, int columnStep) const {
    long long row = from.row, column = from.column;
    auto inside = [&](int steps) {
        long long r = row + steps * rowStep, c = column + steps * columnStep;
        return r >= 1 && r <= kMaxRow && c >= 1 && c <= kMaxColumn;
    };
    auto filled = [&](int steps) {
        return Find(static_cast<std::uint32_t>(row + steps * rowStep),
                    static_cast<std::uint32_t>(column + steps * columnStep));
    };
    bool run = inside(1) && filled(0) && filled(1);
    while (inside(1)) {
        row += rowStep;
        column += columnStep;
        if (run ? !inside(1) || !filled(1) : filled(0) != nullptr) break;
    }
    return {static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column)};
}

}  // namespace xlsx
