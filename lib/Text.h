#pragma once
// Text inside the support library: UTF-16 code units, as in the rest of the program. It is a
// std::u16string rather than std::wstring so that the classes build unchanged where wchar_t is
// 32 bits wide (native Linux builds for sanitizers and fuzzing).
#include <string>
#include <string_view>

namespace support {

using Text = std::u16string;
using TextView = std::u16string_view;

}  // namespace support
