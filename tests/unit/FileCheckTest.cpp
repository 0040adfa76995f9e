// The template check: which directory entries count as found, for patterns, Chinese names and names
// the ANSI code page cannot hold.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "services/FileCheck.h"
#include "tests/support/TestFiles.h"

using namespace testing_support;
using namespace services;

namespace {

void MakeFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    WriteBytes(path, "label");
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), attributes));
    // The file must really carry the attribute, or the checks on it prove nothing.
    if (attributes != FILE_ATTRIBUTE_NORMAL) {
        ASSERT_EQ(::GetFileAttributesW(path.c_str()) & attributes, attributes);
    }
}

void MakeFolder(const std::wstring& path) { ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr)); }

class FileExistsTest : public ::testing::Test {
protected:
    TempDir dir{L"fileexists"};
};

TEST_F(FileExistsTest, OrdinaryFilesCountButFoldersHiddenAndSystemFilesOnlyWhenAskedFor) {
    const std::wstring plain = dir / L"label.btw";
    const std::wstring readOnly = dir / L"readonly.btw";
    const std::wstring archive = dir / L"archive.btw";
    const std::wstring hidden = dir / L"hidden.btw";
    const std::wstring system = dir / L"system.btw";
    const std::wstring both = dir / L"both.btw";
    const std::wstring folder = dir / L"folder.btw";
    MakeFile(plain);
    MakeFile(readOnly, FILE_ATTRIBUTE_READONLY);
    MakeFile(archive, FILE_ATTRIBUTE_ARCHIVE);
    MakeFile(hidden, FILE_ATTRIBUTE_HIDDEN);
    MakeFile(system, FILE_ATTRIBUTE_SYSTEM);
    MakeFile(both, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MakeFolder(folder);

    EXPECT_TRUE(FileExists(plain, 0));
    EXPECT_TRUE(FileExists(plain));
    EXPECT_TRUE(FileExists(readOnly, 0));
    EXPECT_TRUE(FileExists(archive, 0));
    EXPECT_FALSE(FileExists(dir / L"missing.btw", 0));

    EXPECT_FALSE(FileExists(folder, 0));
    EXPECT_FALSE(FileExists(folder, kFindHidden | kFindSystem));
    EXPECT_TRUE(FileExists(folder, kFindDirectory));

    EXPECT_FALSE(FileExists(hidden, 0));
    EXPECT_FALSE(FileExists(hidden, kFindSystem | kFindDirectory));
    EXPECT_TRUE(FileExists(hidden, kFindHidden));

    EXPECT_FALSE(FileExists(system, 0));
    EXPECT_FALSE(FileExists(system, kFindHidden));
    EXPECT_TRUE(FileExists(system, kFindSystem));

    // Each special attribute an entry carries must be asked for, not just one of them.
    EXPECT_FALSE(FileExists(both, 0));
    EXPECT_FALSE(FileExists(both, kFindHidden));
    EXPECT_FALSE(FileExists(both, kFindSystem));
    EXPECT_TRUE(FileExists(both, kFindHidden | kFindSystem));

    // Ordinary files are found whatever the mask holds.
    EXPECT_TRUE(FileExists(plain, kFindHidden | kFindSystem | kFindVolume | kFindDirectory));
    EXPECT_TRUE(FileExists(readOnly, kFindDirectory));
}

TEST_F(FileExistsTest, PatternIsTrueOnlyWhenAnEntryThatCountsMatches) {
    const std::wstring templates = dir / L"*.btw";
    EXPECT_FALSE(FileExists(templates, 0)) << "empty folder";
    // "." and ".." match "*" but are folders.
    EXPECT_FALSE(FileExists(dir / L"*", 0));
    EXPECT_TRUE(FileExists(dir / L"*", kFindDirectory));

    MakeFolder(dir / L"旧模板.btw");
    MakeFile(dir / L"隐藏.btw", FILE_ATTRIBUTE_HIDDEN);
    MakeFile(dir / L"清单.xls");
    MakeFile(dir / L"模板.btw.bak");
    EXPECT_FALSE(FileExists(templates, 0)) << "only a folder and a hidden file end in .btw";
    EXPECT_TRUE(FileExists(templates, kFindDirectory));
    EXPECT_TRUE(FileExists(templates, kFindHidden));

    // Entries that do not count come first in the listing ("." and ".."); the search must go past them.
    EXPECT_TRUE(FileExists(dir / L"*", 0));
    EXPECT_TRUE(FileExists(dir / L"*.xls", 0));
    EXPECT_FALSE(FileExists(dir / L"*.xlsx", 0));

    MakeFile(dir / L"标签.btw");
    EXPECT_TRUE(FileExists(templates, 0));
    EXPECT_TRUE(FileExists(dir / L"标?.btw", 0)) << "? stands for one character, double-byte ones too";
    EXPECT_TRUE(FileExists(dir / L"?签.BTW", 0)) << "names match without regard to case";
    EXPECT_FALSE(FileExists(dir / L"??签.btw", 0));
    EXPECT_FALSE(FileExists(dir / L"标签.btw\\*", 0)) << "a file is no folder to search";
}

TEST_F(FileExistsTest, ChineseFoldersAndNamesAreFound) {
    // 誠 ends in the byte of a backslash in GBK; the search must still see one folder name.
    const std::wstring folder = dir / L"出货标签（誠信）";
    MakeFolder(folder);
    const std::wstring file = folder + L"\\外箱标签 2024.btw";
    MakeFile(file);

    EXPECT_TRUE(FileExists(file, 0));
    EXPECT_TRUE(FileExists(folder + L"\\*.btw", 0));
    EXPECT_FALSE(FileExists(folder + L"\\外箱标签 2025.btw", 0));
    EXPECT_FALSE(FileExists(folder, 0));
    EXPECT_TRUE(FileExists(folder, kFindDirectory));
}

TEST_F(FileExistsTest, NamesOutsideTheCodePageAreCheckedAsThatOneEntry) {
    // Hangul is not in GBK. The open-file dialog delivers such names; the code page would turn them
    // into '?', which matches the look-alike files beside them.
    const std::wstring folder = dir / L"\uD55C\uAE00 模板";
    MakeFolder(folder);
    const std::wstring label = folder + L"\\标签\uD55C.btw";
    MakeFile(label);
    MakeFile(folder + L"\\标签x.btw");
    const std::wstring hidden = folder + L"\\\uD55C.btw";
    MakeFile(hidden, FILE_ATTRIBUTE_HIDDEN);
    const std::wstring subfolder = folder + L"\\\uAE00";
    MakeFolder(subfolder);

    EXPECT_TRUE(FileExists(label, 0));
    EXPECT_TRUE(FileExists(folder + L"\\标签\uD55C.BTW", 0)) << "names match without regard to case";
    EXPECT_FALSE(FileExists(folder + L"\\标签\uAE00.btw", 0)) << "only a look-alike exists";
    EXPECT_FALSE(FileExists(folder + L"\\标签\U0001F600.btw", 0)) << "nor for a character outside the BMP";

    // The mask counts as it does for every other path.
    EXPECT_FALSE(FileExists(hidden, 0));
    EXPECT_TRUE(FileExists(hidden, kFindHidden));
    EXPECT_FALSE(FileExists(folder, 0));
    EXPECT_TRUE(FileExists(folder, kFindDirectory));
    EXPECT_FALSE(FileExists(subfolder, kFindHidden));
    EXPECT_TRUE(FileExists(subfolder, kFindDirectory));

    // Such a path is no pattern: its wildcards match nothing.
    EXPECT_FALSE(FileExists(folder + L"\\*.btw", 0));
    EXPECT_FALSE(FileExists(folder + L"\\标签?.btw", 0));
    EXPECT_FALSE(FileExists(folder + L"\\*", kFindDirectory));
}

TEST_F(FileExistsTest, EmptyMalformedAndUnreachablePathsAreFalse) {
    MakeFile(dir / L"a.btw");
    MakeFolder(dir / L"sub");
    MakeFile(dir / L"sub\\a.btw");

    EXPECT_FALSE(FileExists(L"", 0));
    EXPECT_FALSE(FileExists(L"", kFindHidden | kFindSystem | kFindVolume | kFindDirectory));

    DWORD drives = ::GetLogicalDrives();
    wchar_t missing = 0;
    for (wchar_t letter = L'Z'; letter >= L'D'; --letter) {
        if (!(drives & (1u << (letter - L'A')))) {
            missing = letter;
            break;
        }
    }
    ASSERT_NE(missing, 0);
    const std::wstring drive = std::wstring(1, missing) + L":\\";
    EXPECT_FALSE(FileExists(drive + L"标签\\a.btw", 0));
    EXPECT_FALSE(FileExists(drive + L"*", kFindDirectory));

    EXPECT_FALSE(FileExists(dir / L"no-such-folder\\a.btw", 0));
    EXPECT_FALSE(FileExists(dir / L"*\\a.btw", 0)) << "wildcards only in the last part";
    EXPECT_FALSE(FileExists(dir.path() + L"\\", 0));
    EXPECT_FALSE(FileExists(dir / L"a|b.btw", 0));
    EXPECT_FALSE(FileExists(L"\\\\", 0));
    EXPECT_FALSE(FileExists(L"::", 0));
    EXPECT_FALSE(FileExists(dir / (std::wstring(300, L'x') + L".btw"), 0));
    // A NUL would cut the name back to the existing file.
    EXPECT_FALSE(FileExists(dir / L"a.btw" + std::wstring(1, L'\0') + L"-old", 0));
}

}  // namespace
