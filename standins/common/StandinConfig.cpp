#include "standins/common/StandinConfig.h"

#include "win/UniqueResource.h"

namespace standin {

namespace {
win::UniqueRegKey OpenConfig(const std::wstring& server) {
    win::UniqueRegKey key;
    std::wstring path = std::wstring(kConfigRoot) + L"\\" + server;
    ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put());
    return key;
}
}  // namespace

std::wstring ConfigString(const std::wstring& server, const wchar_t* name, const std::wstring& fallback) {
    win::UniqueRegKey key = OpenConfig(server);
    if (!key) return fallback;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return fallback;
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
        return fallback;
    value.resize(size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

DWORD ConfigDword(const std::wstring& server, const wchar_t* name, DWORD fallback) {
    win::UniqueRegKey key = OpenConfig(server);
    DWORD value = 0, size = sizeof(value), type = 0;
    if (!key || ::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                    ERROR_SUCCESS || type != REG_DWORD)
        return fallback;
    return value;
}

}  // namespace standin
