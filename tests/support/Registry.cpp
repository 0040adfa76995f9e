#include "tests/support/Registry.h"

#include "win/UniqueResource.h"

namespace testing_support {

std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t value[2048];
    DWORD size = sizeof value;
    if (::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

bool RegistryKeyExists(HKEY root, const std::wstring& key) {
    win::UniqueRegKey opened;
    return ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

}  // namespace testing_support
