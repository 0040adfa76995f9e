#include "standins/excel/CellReference.h"

#include <algorithm>

namespace xlsx {

namespace {

// Reads column letters and a row number from the front of text, each optionally after a '$'.
std::optional<CellAddress> ReadAddress(std::wstring_view& text) {
    std::size_t at = 0;
    if (at < text.size() && text[at] == L'$') ++at;
    std::uint32_t column = 0;
    std::size_t letters = 0;
    for (; at < text.size() && letters < 4; ++at, ++letters) {
        wchar_t c = text[at];
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c < L'A' || c > L'Z') break;
        column = column * 26 + static_cast<std::uint32_t>(c - L'A' + 1);
    }
    if (letters == 0 || letters > 3 || column > kMaxColumn) return std::nullopt;
    if (at < text.size() && text[at] == L'$') ++at;
    std::uint32_t row = 0;
    std::size_t digits = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at, ++digits) {
        row = row * 10 + static_cast<std::uint32_t>(text[at] - L'0');
        if (row > kMaxRow) return std::nullopt;
    }
    if (digits == 0 || row == 0) return std::nullopt;
    text.remove_prefix(at);
    return CellAddress{row, column};
}

}  // namespace

std::optional<CellAddress> ParseCellAddress(std::wstring_view text) {
    auto address = ReadAddress(text);
    if (!address || !text.empty()) return std::nullopt;
    return address;
}

std::optional<RangeAddress> ParseRangeReference(std::wstring_view text) {
    auto first = ReadAddress(text);
    if (!first) return std::nullopt;
    if (text.empty()) return RangeAddress{*first, *first};
    if (text.front() != L':') return std::nullopt;
    text.remove_prefix(1);
    auto last = ReadAddress(text);
    if (!last || !text.empty()) return std::nullopt;
    return RangeAddress{{std::min(first->row, last->row), std::min(first->column, last->column)},
                        {std::max(first->row, last->row), std::max(first->column, last->column)}};
}

std::optional<std::uint32_t> ParseColumnLetters(std::wstring_view text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    std::uint32_t column = 0;
    for (wchar_t c : text) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c < L'A' || c > L'Z') return std::nullopt;
        column = column * 26 + static_cast<std::uint32_t>(c - L'A' + 1);
    }
    if (column > kMaxColumn) return std::nullopt;
    return column;
}

std::wstring ColumnLetters(std::uint32_t column) {
    std::wstring letters;
    while (column > 0) {
        std::uint32_t digit = (column - 1) % 26;
        letters.insert(letters.begin(), static_cast<wchar_t>(L'A' + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

std::wstring AbsoluteAddress(const RangeAddress& range) {
    auto cell = [](const CellAddress& a) { return L"$" + ColumnLetters(a.column) + L"$" + std::to_wstring(a.row); };
    std::wstring text = cell(range.first);
    if (!(range.first == range.last)) text += L":" + cell(range.last);
    return text;
}

}  // namespace xlsx
