#include "services/FileCheck.h"

#include <windows.h>

#include <string_view>

#include "win/TextConversion.h"
#include "win/UniqueResource.h"

namespace services {

namespace {

// Attributes that keep an entry out of the result unless the caller asks for them.
constexpr DWORD kSpecialAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x8 /* volume label */ | FILE_ATTRIBUTE_DIRECTORY;

// Characters the system's search treats as wildcards ('<', '>' and '"' are its DOS forms of them).
constexpr wchar_t kWildcards[] = L"*?<>\"";

template <typename FindData>
bool Counts(const FindData& entry, DWORD mask) {
    const auto* name = entry.cFileName;
    bool dots = name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
    if (dots && !(mask & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return (entry.dwFileAttributes & kSpecialAttributes & ~mask) == 0;
}

HANDLE FindFirst(const char* pattern, WIN32_FIND_DATAA* entry) { return ::FindFirstFileA(pattern, entry); }
HANDLE FindFirst(const wchar_t* pattern, WIN32_FIND_DATAW* entry) { return ::FindFirstFileW(pattern, entry); }
BOOL FindNext(HANDLE find, WIN32_FIND_DATAA* entry) { return ::FindNextFileA(find, entry); }
BOOL FindNext(HANDLE find, WIN32_FIND_DATAW* entry) { return ::FindNextFileW(find, entry); }

// Whether the directory search for pattern yields an entry that the mask admits.
template <typename FindData, typename Char>
bool AnyEntryCounts(const std::basic_string<Char>& pattern, DWORD mask) {
    FindData entry{};
    // Wine (and Windows) return folders and hidden files whatever the caller wants: filter here.
    win::UniqueFind find(FindFirst(pattern.c_str(), &entry));
    if (!find) return false;
    do {
        if (Counts(entry, mask)) return true;
    } while (FindNext(find.get(), &entry));
    return false;
}

}  // namespace

bool FileExists(const std::wstring& path, int attributes) {
    if (path.empty()) return false;
    try {
        // A NUL would end the name early and the search would look for something shorter.
        if (path.find(L'\0') != std::wstring::npos) return false;
        const DWORD mask = static_cast<DWORD>(attributes);
        std::string pattern = win::ToAnsi(path);
        if (!pattern.empty() && win::FromAnsi(pattern) == path) return AnyEntryCounts<WIN32_FIND_DATAA>(pattern, mask);

        // The code page cannot hold this path, and its search would get '?' wildcards in place of the
        // missing characters, matching other files. Look for this one entry by its Unicode name instead.
        if (path.find_first_of(kWildcards) != std::wstring::npos) return false;
        return AnyEntryCounts<WIN32_FIND_DATAW>(path, mask);
    } catch (...) {
        return false;
    }
}

}  // namespace services
