#include "win/ModulePath.h"

#include <windows.h>

#include "win/GrowBuffer.h"

namespace win {

std::wstring ModulePath(HMODULE module) {
    auto path = GrowToFit<wchar_t>(
        [module](wchar_t* buffer, std::size_t capacity) {
            return ::GetModuleFileNameW(module, buffer, static_cast<DWORD>(capacity));
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
