// The settings file: values round-trip in GBK, missing things read as empty, nothing ever fails.
#include <windows.h>

#include <gtest/gtest.h>

#include "services/SettingsFile.h"
#include "tests/support/TestFiles.h"

using namespace testing_support;
using namespace services;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    TempDir dir{L"inirw"};
    std::wstring ini = dir / L"config.ini";
};

TEST_F(SettingsFileTest, ChinesePathRoundTripsAndIsStoredAsGbk) {
    const std::wstring path = L"D:\\出货清单\\2024年\\清单（最终）.xlsx";
    WriteIni(L"DATA", L"DB", path, ini);
    EXPECT_EQ(ReadIni(L"DATA", L"DB", ini), path);

    std::string bytes = ReadBytes(ini);
    EXPECT_NE(bytes.find(Gbk(L"DB=" + path)), std::string::npos) << "the file holds the GBK bytes of the value";
    EXPECT_NE(bytes.find("[DATA]"), std::string::npos);

    // The key name itself is Chinese in the real file.
    WriteIni(L"settings", L"查询列", L"3", ini);
    EXPECT_EQ(ReadIni(L"settings", L"查询列", ini), L"3");
    EXPECT_NE(ReadBytes(ini).find(Gbk(L"查询列=3")), std::string::npos);
}

TEST_F(SettingsFileTest, MissingFileSectionOrKeyReadsAsEmptyText) {
    EXPECT_EQ(ReadIni(L"DATA", L"DB", ini), L"");
    EXPECT_FALSE(Exists(ini)) << "reading never creates the file";
    EXPECT_EQ(ReadIni(L"DATA", L"DB", dir / L"no-such-folder\\config.ini"), L"");

    WriteIni(L"DATA", L"DB", L"C:\\a.xls", ini);
    EXPECT_EQ(ReadIni(L"print", L"printer", ini), L"");
    EXPECT_EQ(ReadIni(L"DATA", L"TP", ini), L"");
    EXPECT_EQ(ReadIni(L"", L"", ini), L"");
}

TEST_F(SettingsFileTest, NamesMatchWithoutRegardToCaseAndBlanksAndQuotesAreNotPartOfValues) {
    WriteBytes(ini, Gbk(L"[data]\r\ndb = C:\\清单.xls  \r\n[PRINT]\r\nPrinter=\"Zebra  ZT410\"\r\n"));
    EXPECT_EQ(ReadIni(L"DATA", L"DB", ini), L"C:\\清单.xls");
    EXPECT_EQ(ReadIni(L"print", L"printer", ini), L"Zebra  ZT410");
}

TEST_F(SettingsFileTest, WriteCreatesAndReplacesButLeavesOtherLines) {
    WriteBytes(ini, Gbk(L"; hand-written notes\r\n[settings]\r\n查询列=2\r\n[DATA]\r\nDB=old.xls\r\nTP=a.btw\r\n"));
    WriteIni(L"DATA", L"DB", L"new.xlsx", ini);
    WriteIni(L"print", L"printer", L"Zebra", ini);

    EXPECT_EQ(ReadIni(L"DATA", L"DB", ini), L"new.xlsx");
    EXPECT_EQ(ReadIni(L"DATA", L"TP", ini), L"a.btw");
    EXPECT_EQ(ReadIni(L"settings", L"查询列", ini), L"2");
    EXPECT_EQ(ReadIni(L"print", L"printer", ini), L"Zebra");
    std::string bytes = ReadBytes(ini);
    EXPECT_NE(bytes.find("; hand-written notes"), std::string::npos);
    EXPECT_EQ(bytes.find("old.xls"), std::string::npos);
}

TEST_F(SettingsFileTest, LongValuesAreReadWhole) {
    // The classic 255-byte buffer cut such values at 254 bytes; a cut path is a wrong path.
    std::wstring ascii(300, L'x');
    WriteIni(L"DATA", L"DB", ascii, ini);
    EXPECT_EQ(ReadIni(L"DATA", L"DB", ini), ascii);

    std::wstring boundary(254, L'y');
    WriteIni(L"DATA", L"DB", boundary, ini);
    EXPECT_EQ(ReadIni(L"DATA", L"DB", ini), boundary);

    std::wstring chinese;
    for (int i = 0; i < 400; ++i) chinese += L"出货";
    WriteIni(L"DATA", L"TP", chinese, ini);
    std::wstring back = ReadIni(L"DATA", L"TP", ini);
    EXPECT_EQ(back, chinese);
    EXPECT_EQ(back.find(L'\0'), std::wstring::npos);
}

TEST_F(SettingsFileTest, IniCanHoldTellsWhetherAValueComesBackUnchanged) {
    EXPECT_TRUE(IniCanHold(L"D:\\出货清单\\清单（最终）.xlsx"));
    EXPECT_FALSE(IniCanHold(L"D:\\标签\\\uD55C\uAE00.btw"));
    // Whatever it says, the file itself agrees (it stores a substitute for what GBK lacks): GBK holds
    // some Latin letters and the euro sign.
    for (const wchar_t* value : {L"D:\\标签\\\uD55C.btw", L"C:\\caf\u00e9.xls", L"C:\\\u00e4.xls", L"C:\\\u20ac.xls",
                                 L"C:\\\U0001F600.xls", L"C:\\a b\\c.btw"}) {
        SCOPED_TRACE(Utf8(value));
        WriteIni(L"DATA", L"TP", value, ini);
        EXPECT_EQ(IniCanHold(value), ReadIni(L"DATA", L"TP", ini) == value);
    }
}

TEST_F(SettingsFileTest, BinaryGarbageIsReadWithoutHarm) {
    std::string garbage;
    for (int i = 0; i < 70000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    garbage += "\r\n[DATA]\r\nDB=ok.xls\r\n";
    WriteBytes(ini, garbage);
    EXPECT_EQ(ReadIni(L"DATA", L"DB", ini), L"ok.xls");
    EXPECT_EQ(ReadIni(L"settings", L"查询列", ini), L"") << "no such section in the garbage";

    WriteBytes(ini, std::string("\xff\xfe\x00\x00\x81", 5));
    EXPECT_EQ(ReadIni(L"DATA", L"DB", ini), L"");
}

TEST_F(SettingsFileTest, UnwritableFileIsNotChangedAndStillReads) {
    WriteIni(L"DATA", L"DB", L"kept.xls", ini);
    std::string before = ReadBytes(ini);
    // Another program holds the file open for reading only (a read-only attribute alone does not
    // stop root, which the tests may run as).
    HANDLE lock = ::CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    WriteIni(L"DATA", L"DB", L"lost.xls", ini);  // must not fail towards the caller
    EXPECT_EQ(ReadIni(L"DATA", L"DB", ini), L"kept.xls");
    ::CloseHandle(lock);
    EXPECT_EQ(ReadBytes(ini), before);
}

}  // namespace
