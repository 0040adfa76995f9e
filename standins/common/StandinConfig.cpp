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

bool Listed(const std::wstring& list, const std::wstring& name) {
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find_first_of(L",; ", start);
        if (end == std::wstring::npos) end = list.size();
        if (end > start && ::CompareStringOrdinal(list.data() + start, static_cast<int>(end - start), name.data(),
                                                  static_cast<int>(name.size()), TRUE) == CSTR_EQUAL)
            return true;
        start = end + 1;
    }
    return false;
}

void ClearConfig(const std::wstring& server, const wchar_t* name) {
    win::UniqueRegKey key;
    std::wstring path = std::wstring(kConfigRoot) + L"\\" + server;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        ::RegDeleteValueW(key.get(), name);
}

}  // namespace standin
