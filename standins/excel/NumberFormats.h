#pragma once
// Which number formats make Excel hand a cell's number out as a date.
#include <cstdint>
#include <string_view>

namespace xlsx {

// Excel's built-in formats that show a date or a time (including the East Asian ones).
bool IsBuiltInDateFormat(std::uint32_t id) noexcept;
// A custom format code that shows a date or a time: a y, m, d, h or s (or an elapsed-time [h], [m],
// [s]) outside quoted text, escaped characters and other [...] sections.
bool IsDateFormatCode(std::wstring_view code) noexcept;

}  // namespace xlsx
