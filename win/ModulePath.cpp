#include "win/ModulePath.h"

#include <windows.h>

#include "win/GrowBuffer.h"

namespace win {

std::wstring ModulePath(HMODULE module) {
    auto path = GrowAndRetry<wchar_t>(
        [module](wchar_t* buffer, std::size_t capacity) -> std::optional<std::size_t> {
            DWORD n = ::GetModuleFileNameW(module, buffer, static_cast<DWORD>(capacity));
            if (n == 0) return 0;
            if (n >= capacity) return std::nullopt;  // truncated
            return n;
        },
        MAX_PATH, 1u << 16);
    return path.value_or(std::wstring());
}

std::wstring ExecutablePath() { return ModulePath(nullptr); }

std::wstring ExecutableFolder() {
    std::wstring path = ExecutablePath();
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace win
