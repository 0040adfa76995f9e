#include "standins/common/StandinConfig.h"

#include <algorithm>
#include <cwchar>

namespace standin {

namespace {
std::wstring KeyOf(const std::wstring& server) { return std::wstring(kConfigRoot) + L"\\" + server; }
}  // namespace

std::wstring ConfigString(const std::wstring& server, const wchar_t* name, const std::wstring& fallback) {
    std::wstring key = KeyOf(server);
    DWORD size = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return fallback;
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value.data(), &size) !=
        ERROR_SUCCESS)
        return fallback;
    value.resize(std::wcslen(value.c_str()));
    return value;
}

DWORD ConfigDword(const std::wstring& server, const wchar_t* name, DWORD fallback) {
    DWORD value = 0, size = sizeof(value);
    return ::RegGetValueW(HKEY_CURRENT_USER, KeyOf(server).c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
                   ERROR_SUCCESS
               ? value
               : fallback;
}

bool SameText(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool Listed(const std::wstring& list, const std::wstring& name) {
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = std::min(list.find_first_of(L",; ", start), list.size());
        if (end > start && SameText(std::wstring_view(list).substr(start, end - start), name)) return true;
        start = end + 1;
    }
    return false;
}

void ClearConfig(const std::wstring& server, const wchar_t* name) {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, KeyOf(server).c_str(), name);
}

bool TakeListed(const std::wstring& server, const wchar_t* name, const std::wstring& call) {
    if (!Listed(ConfigString(server, name), call)) return false;
    ClearConfig(server, name);
    return true;
}

}  // namespace standin
