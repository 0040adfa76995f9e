#pragma once
// Code 39 bar codes for the stand-in's label pictures: the bar pattern of a text, as modules.
#include <string>
#include <vector>

namespace standin {

// What a Code 39 bar code carries: the text in upper case, every character the symbology has no
// pattern for (Chinese, most punctuation) replaced by "-".
std::wstring Code39Text(const std::wstring& text);

// The modules of the bar code of Code39Text(text) with its start and stop characters, left to right:
// true is black. A narrow element is one module, a wide one three; characters are one module apart.
std::vector<bool> Code39Modules(const std::wstring& text);

}  // namespace standin
