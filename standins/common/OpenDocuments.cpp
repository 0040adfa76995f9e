#include "standins/common/OpenDocuments.h"

#include <windows.h>

#include "win/GrowBuffer.h"

namespace standin {

std::wstring FullPath(const std::wstring& path) {
    auto full = win::GrowAndRetry<wchar_t>(
        [&](wchar_t* buffer, std::size_t capacity) -> std::optional<std::size_t> {
            DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(capacity), buffer, nullptr);
            if (n >= capacity) return std::nullopt;
            return n;
        },
        MAX_PATH, 32768);
    return full && !full->empty() ? *full : path;
}

}  // namespace standin
