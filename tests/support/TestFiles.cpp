#include "tests/support/TestFiles.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "win/ModulePath.h"
#include "win/TextConversion.h"
#include "win/UniqueResource.h"

namespace testing_support {

namespace {
// The GBK expectations are converted here, with the code page named outright, rather than through
// the program's own ANSI conversion: a fault there must not hide in both the program and the test.
std::wstring Convert(UINT codePage, const std::string& bytes) {
    if (bytes.empty()) return {};
    int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}
std::string Convert(UINT codePage, const std::wstring& text) {
    if (text.empty()) return {};
    int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}
}  // namespace

std::string Gbk(const std::wstring& text) { return Convert(936, text); }
std::wstring FromGbk(const std::string& bytes) { return Convert(936, bytes); }
std::string Utf8(const std::wstring& text) { return win::ToUtf8(text); }
std::wstring FromUtf8(const std::string& bytes) { return win::FromUtf8(bytes); }

TempDir::TempDir(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring root = std::wstring(temp) + L"labelprint-tests";
    ::CreateDirectoryW(root.c_str(), nullptr);
    // A folder of an earlier scenario may still be held by a process that is just ending: never reuse one.
    static int serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = root + L"\\" + name + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
        RemoveTree(path_);
        if (::CreateDirectoryW(path_.c_str(), nullptr)) return;
    }
    throw std::runtime_error("cannot create a scratch folder");
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string ReadBytes(const std::wstring& path) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string bytes;
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &n, nullptr) && n > 0) bytes.append(buffer, n);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) throw std::runtime_error("cannot write a test file");
    DWORD n = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW entry;
    win::UniqueFind find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
    if (find) {
        do {
            std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
        } while (::FindNextFileW(find.get(), &entry));
        find.reset();  // before the folder itself goes
    }
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(path.c_str());
}

std::wstring BinFolder() { return win::ExecutableFolder(); }

std::wstring FixturePath(const std::wstring& relative) {
    // FIXTURES_DIR is the source tree's folder as Wine sees it, e.g. Z:/work/main/fixtures.
    std::wstring path = FromUtf8(FIXTURES_DIR);
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path + L"\\" + relative;
}

void Touch(const std::wstring& path) {
    // Each touch gets a time of its own, even within the file system's resolution.
    static ULONGLONG offset = 0;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 36000000000ULL - (offset += 20000000ULL);  // an hour ago, two seconds later each time
    FILETIME stamp{t.LowPart, t.HighPart};
    win::UniqueFile file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    if (!file || !::SetFileTime(file.get(), nullptr, nullptr, &stamp)) throw std::runtime_error("cannot touch the file");
}

bool MachineRuns32BitPrograms() {
    wchar_t value[8] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"LABELPRINT_WIN32", value, 8);
    return !(length == 1 && value[0] == L'0');
}

}  // namespace testing_support
