#include "services/FileCheck.h"

#include <windows.h>

#include <string_view>

#include "win/TextConversion.h"
#include "win/UniqueResource.h"

namespace {

// Attributes that keep an entry out of the result unless the caller asks for them.
constexpr DWORD kSpecialAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x8 /* volume label */ | FILE_ATTRIBUTE_DIRECTORY;

bool Counts(const WIN32_FIND_DATAA& entry, DWORD mask) {
    std::string_view name = entry.cFileName;
    if ((name == "." || name == "..") && !(mask & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return (entry.dwFileAttributes & kSpecialAttributes & ~mask) == 0;
}

}  // namespace

bool FileExists(const std::wstring& path, int attributes) {
    if (path.empty()) return false;
    try {
        // A NUL would end the name early and the search would look for something shorter.
        if (path.find(L'\0') != std::wstring::npos) return false;
        std::string pattern = win::ToAnsi(path);
        if (pattern.empty() || win::FromAnsi(pattern) != path) return false;

        const DWORD mask = static_cast<DWORD>(attributes);
        WIN32_FIND_DATAA entry{};
        // Wine (and Windows) return folders and hidden files whatever the caller wants: filter here.
        win::UniqueFind find(::FindFirstFileA(pattern.c_str(), &entry));
        if (!find) return false;
        do {
            if (Counts(entry, mask)) return true;
        } while (::FindNextFileA(find.get(), &entry));
        return false;
    } catch (...) {
        return false;
    }
}
