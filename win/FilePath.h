#pragma once
// Paths compared the way Windows names files: two spellings of one file are the same path.
#include <string>

namespace win {

// A path as Windows resolves it (full, with long names), for comparing two spellings of one file.
// A part that cannot be resolved is left as it is.
std::wstring ResolvedPath(const std::wstring& path);
// Whether two paths are equal as Windows compares file names: ordinal, ignoring case.
bool SamePath(const std::wstring& a, const std::wstring& b) noexcept;

}  // namespace win
