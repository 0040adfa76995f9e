// System folders by keyword: the folder a user knows by each name, whole whatever its characters.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "services/SystemFolders.h"
#include "tests/support/TestFiles.h"

using namespace testing_support;
using namespace services;

namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
        wchar_t old[32768];
        DWORD n = ::GetEnvironmentVariableW(name, old, 32768);
        if (n > 0 && n < 32768) old_ = std::wstring(old, n);
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { ::SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const wchar_t* name_;
    std::optional<std::wstring> old_;
};

// Each keyword with the end of the path of the folder a user knows by that name, as Windows (and Wine)
// name the folders on disk.
constexpr std::pair<const wchar_t*, const wchar_t*> kKeywords[] = {
    {L"win", L"\\windows"}, {L"sys", L"\\windows\\system32"}, {L"tmp", L"\\Temp"},
    {L"desktop", L"\\Desktop"}, {L"sendto", L"\\SendTo"}, {L"mydoc", L"\\Documents"},
    {L"programs", L"\\Start Menu\\Programs"}, {L"startup", L"\\Programs\\StartUp"},
    {L"startmenu", L"\\Windows\\Start Menu"}, {L"fav", L"\\Favorites"}, {L"recent", L"\\Recent"},
    {L"network", L"\\Network Shortcuts"}, {L"fonts", L"\\windows\\Fonts"}, {L"cookies", L"\\INetCookies"},
    {L"history", L"\\History"}, {L"pagetmp", L"\\INetCache"}, {L"shellnew", L"\\Templates"},
    {L"appdata", L"\\AppData\\Roaming"}, {L"printhood", L"\\Printer Shortcuts"},
};

TEST(SystemFolders, EveryKeywordNamesItsOwnExistingFolder) {
    for (auto [keyword, ending] : kKeywords) {
        SCOPED_TRACE(Utf8(keyword));
        std::wstring path = GetSpecialFolderPath(keyword);
        // Wine gives the documents folder with a trailing backslash.
        EXPECT_TRUE(path.ends_with(ending) || path.ends_with(ending + std::wstring(L"\\"))) << Utf8(path);
        EXPECT_EQ(path.find(L'\0'), std::wstring::npos);
        DWORD attributes = ::GetFileAttributesW(path.c_str());
        EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    }
    EXPECT_TRUE(GetSpecialFolderPath(L"tmp").ends_with(L"\\")) << "the system's temp path comes with its backslash";
    EXPECT_FALSE(GetSpecialFolderPath(L"win").ends_with(L"\\")) << "and the Windows folder without one";
}

TEST(SystemFolders, KeywordsIgnoreLetterCaseButNotBlanksOrAnythingElse) {
    for (auto [keyword, ending] : kKeywords) {
        SCOPED_TRACE(Utf8(keyword));
        std::wstring lower = keyword, upper = lower;
        for (wchar_t& c : upper) c = static_cast<wchar_t>(::towupper(c));
        EXPECT_EQ(GetSpecialFolderPath(upper), GetSpecialFolderPath(lower));
        EXPECT_EQ(GetSpecialFolderPath(L" " + lower), L"") << "a keyword is not trimmed";
        EXPECT_EQ(GetSpecialFolderPath(lower + L" "), L"");
        EXPECT_EQ(GetSpecialFolderPath(lower + std::wstring(1, L'\0')), L"") << "a NUL is part of the keyword";
    }
    EXPECT_EQ(GetSpecialFolderPath(L"DeskTop"), GetSpecialFolderPath(L"desktop"));

    for (const wchar_t* unknown : {L"", L"windows", L"system", L"temp", L"mydocs", L"my doc", L"desk", L"\t",
                                   L"\uff57\uff49\uff4e" /* fullwidth "win" */, L"桌面"}) {
        SCOPED_TRACE(Utf8(unknown));
        EXPECT_EQ(GetSpecialFolderPath(unknown), L"");
    }
}

TEST(SystemFolders, TempPathWithChineseCharactersIsReturnedWholeAtAnyLength) {
    TempDir dir{L"sysfolder-tmp"};
    const std::wstring chinese = dir / L"张伟的临时文件";
    {
        ScopedVariable tmp(L"TMP", chinese);
        std::wstring path = GetSpecialFolderPath(L"tmp");
        EXPECT_EQ(path, chinese + L"\\");
        EXPECT_EQ(path.find(L'\0'), std::wstring::npos);
    }

    // Fewer than MAX_PATH characters but more than 255 bytes in GBK: the classic buffer would cut it.
    std::wstring longer = dir.path();
    while (Gbk(longer).size() <= 300) longer += L"\\出货标签打印临时文件夹";
    ASSERT_LT(longer.size(), static_cast<size_t>(MAX_PATH - 2));
    {
        ScopedVariable tmp(L"TMP", longer);
        std::wstring path = GetSpecialFolderPath(L"tmp");
        EXPECT_EQ(path, longer + L"\\");
        EXPECT_EQ(path.find(L'\0'), std::wstring::npos);
    }
    EXPECT_TRUE(GetSpecialFolderPath(L"tmp").ends_with(L"\\Temp\\")) << "the old temp folder is back";
}

}  // namespace
