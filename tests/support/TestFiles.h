#pragma once
// Scratch folders and raw file access for tests.
#include <string>

namespace testing_support {

// A fresh, empty folder under %TEMP%\labelprint-tests, removed again with everything in it.
class TempDir {
public:
    explicit TempDir(const std::wstring& name);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const noexcept { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool Exists(const std::wstring& path);
// Gives a file a new last-write time, as saving it would: a lookup then reads the list again instead
// of searching the copy it kept.
void Touch(const std::wstring& path);
void RemoveTree(const std::wstring& path);

// Text in the GBK code page, as the settings file stores it.
std::string Gbk(const std::wstring& text);
std::wstring FromGbk(const std::string& bytes);
std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& bytes);

// The folder of the running test executable (where the build put every program).
std::wstring BinFolder();

// A checked-in workbook of fixtures/ as a Windows path: FixturePath(L"hostile\\corrupt-crc.xlsx").
std::wstring FixturePath(const std::wstring& relative);

// False when tools/wine-env.sh found that this machine runs no 32-bit programs (LABELPRINT_WIN32=0):
// SysWOW64's programs and the 32-bit installer cannot start, and the tests that need them skip.
bool MachineRuns32BitPrograms();

}  // namespace testing_support
