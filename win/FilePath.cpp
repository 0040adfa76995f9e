#include "win/FilePath.h"

#include <windows.h>

#include "win/GrowBuffer.h"

namespace win {

namespace {
constexpr std::size_t kLongestPath = 32768;
}  // namespace

std::wstring ResolvedPath(const std::wstring& path) {
    auto full = GrowToFit<wchar_t>(
        [&](wchar_t* buffer, std::size_t capacity) {
            return ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(capacity), buffer, nullptr);
        },
        MAX_PATH, kLongestPath);
    if (!full || full->empty()) return path;
    // Only a file that exists has a long name to find.
    auto longName = GrowToFit<wchar_t>(
        [&](wchar_t* buffer, std::size_t capacity) {
            return ::GetLongPathNameW(full->c_str(), buffer, static_cast<DWORD>(capacity));
        },
        MAX_PATH, kLongestPath);
    return longName && !longName->empty() ? *longName : *full;
}

bool SamePath(const std::wstring& a, const std::wstring& b) noexcept {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace win
