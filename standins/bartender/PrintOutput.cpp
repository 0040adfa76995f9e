#include "standins/bartender/PrintOutput.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>

#include "standins/common/CallLog.h"
#include "win/UniqueResource.h"

namespace standin {

namespace {

constexpr wchar_t kImagePrefix[] = L"label-";
constexpr wchar_t kImageSuffix[] = L".png";

// The number of a "label-NNNN.png" name, or 0.
long ImageNumber(const std::wstring& name) {
    std::size_t prefix = std::wcslen(kImagePrefix), suffix = std::wcslen(kImageSuffix);
    if (name.size() <= prefix + suffix || name.size() > prefix + suffix + 9) return 0;
    if (name.compare(0, prefix, kImagePrefix) != 0 || name.compare(name.size() - suffix, suffix, kImageSuffix) != 0)
        return 0;
    long number = 0;
    for (std::size_t i = prefix; i < name.size() - suffix; ++i) {
        if (name[i] < L'0' || name[i] > L'9') return 0;
        number = number * 10 + (name[i] - L'0');
    }
    return number;
}

long HighestImageNumber(const std::wstring& folder) {
    long highest = 0;
    WIN32_FIND_DATAW entry;
    win::UniqueFind find(::FindFirstFileW((folder + L"\\label-*.png").c_str(), &entry));
    if (!find) return 0;
    do {
        // Wine's search also returns folders whatever the pattern says.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        long n = ImageNumber(entry.cFileName);
        if (n > highest) highest = n;
    } while (::FindNextFileW(find.get(), &entry));
    return highest;
}

std::wstring ImageName(long number) {
    wchar_t digits[16];
    std::swprintf(digits, 16, L"%04ld", number);
    return kImagePrefix + std::wstring(digits) + kImageSuffix;
}

}  // namespace

std::string PrintRecordJson(const PrintRecord& record) {
    std::string json = "{\"template\":" + JsonString(record.templatePath) + ",\"printer\":" + JsonString(record.printer) +
                       ",\"copies\":" + std::to_string(record.copies) + ",\"serialized\":" +
                       std::to_string(record.serialized) + ",\"labels\":" + std::to_string(record.labels()) +
                       ",\"substrings\":{";
    for (std::size_t i = 0; i < record.substrings.size(); ++i)
        json += (i ? "," : "") + JsonString(record.substrings[i].first) + ":" + JsonString(record.substrings[i].second);
    json += "},\"images\":[";
    for (std::size_t i = 0; i < record.images.size(); ++i) json += (i ? "," : "") + JsonString(record.images[i]);
    return json + "],\"t\":" + std::to_string(NowMicroseconds()) + "}";
}

std::optional<std::wstring> SaveLabelImage(const std::wstring& folder, const std::string& png, std::wstring* problem) {
    int created = ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS && created != ERROR_FILE_EXISTS) {
        if (problem) *problem = L"the output folder \"" + folder + L"\" cannot be created";
        return std::nullopt;
    }
    long number = HighestImageNumber(folder);
    // Another print may take a name between the search and the creation: CREATE_NEW claims it or moves on.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring name = ImageName(++number);
        win::UniqueFile file(::CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (::GetLastError() == ERROR_FILE_EXISTS) continue;
            break;
        }
        DWORD written = 0;
        if (!::WriteFile(file.get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr) ||
            written != png.size()) {
            file.reset();
            ::DeleteFileW((folder + L"\\" + name).c_str());
            if (problem) *problem = L"the picture \"" + name + L"\" cannot be written";
            return std::nullopt;
        }
        return name;
    }
    if (problem) *problem = L"no picture can be created in the output folder \"" + folder + L"\"";
    return std::nullopt;
}

}  // namespace standin
