#pragma once
// A1-style cell and range references, within Excel's sheet size.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace xlsx {

constexpr std::uint32_t kMaxRow = 1048576;
constexpr std::uint32_t kMaxColumn = 16384;  // XFD

struct CellAddress {
    std::uint32_t row = 1;
    std::uint32_t column = 1;
    bool operator==(const CellAddress&) const = default;
};

struct RangeAddress {
    CellAddress first;
    CellAddress last;
    std::uint32_t rows() const noexcept { return last.row - first.row + 1; }
    std::uint32_t columns() const noexcept { return last.column - first.column + 1; }
};

// "A1", "a65536", "$T$20"; letters in either case. nullopt outside A1:XFD1048576.
std::optional<CellAddress> ParseCellAddress(std::wstring_view text);
// A cell or two cells joined by a colon ("A1:T20", "t20:a1"), normalised to top-left / bottom-right.
std::optional<RangeAddress> ParseRangeReference(std::wstring_view text);
// Column letters: "A" is 1, "XFD" is 16384; nullopt for anything else.
std::optional<std::uint32_t> ParseColumnLetters(std::wstring_view text);

std::wstring ColumnLetters(std::uint32_t column);
// "$A$1", or "$A$1:$T$20" for more than one cell.
std::wstring AbsoluteAddress(const RangeAddress& range);

}  // namespace xlsx
