#pragma once
// How the lookup compares the item key with a cell of the copied block, and how a cell becomes the
// text of a label field.
#include <oaidl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

// Element (row, column) of a block copied from a worksheet (a two-dimensional array of cell values),
// converted to text by the system's standard conversion under the user's locale: text as it is,
// numbers in their shortest form, dates in the locale's short form, an empty cell as empty text.
// Nothing when there is no such element (no array, an index outside its bounds) or when the value
// does not convert (an error value such as #N/A).
std::optional<std::wstring> CellText(const VARIANT& block, std::int32_t row, std::int32_t column);

// The lookup's comparison: the key and the cell's text are equal code unit by code unit (no trimming,
// case counts). A cell that has no text never matches.
bool CellMatchesKey(const VARIANT& block, std::int32_t row, std::int32_t column, std::wstring_view key);

}  // namespace app
