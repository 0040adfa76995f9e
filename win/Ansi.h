#pragma once
// Conversions between the program's UTF-16 text and the system ANSI code page.
#include <string>
#include <string_view>

namespace win {

// Characters the code page lacks become its default character.
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view bytes);

}  // namespace win
