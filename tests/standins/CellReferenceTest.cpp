// A1 references as Evaluate, Range and the sheet parts give them.
#include <gtest/gtest.h>

#include "standins/excel/CellReference.h"

using namespace xlsx;

namespace {

std::string Parsed(const wchar_t* text) {
    auto range = ParseRangeReference(text);
    if (!range) return "invalid";
    std::wstring address = AbsoluteAddress(*range);
    return std::string(address.begin(), address.end());
}

TEST(CellReferenceTest, ReferencesInAnyCaseWithOrWithoutDollarsUpToTheSheetsLastCell) {
    EXPECT_EQ(Parsed(L"a65536"), "$A$65536");
    EXPECT_EQ(Parsed(L"A1"), "$A$1");
    EXPECT_EQ(Parsed(L"$t$20"), "$T$20");
    EXPECT_EQ(Parsed(L"A$1"), "$A$1");
    EXPECT_EQ(Parsed(L"XFD1048576"), "$XFD$1048576");
    EXPECT_EQ(Parsed(L"AA10"), "$AA$10");
    EXPECT_EQ(Parsed(L"A1:T20"), "$A$1:$T$20");
    EXPECT_EQ(Parsed(L"t20:a1"), "$A$1:$T$20") << "corners are put in order";
    EXPECT_EQ(Parsed(L"B3:B3"), "$B$3");
}

TEST(CellReferenceTest, AnythingElseIsNoReference) {
    for (const wchar_t* text : {L"", L"A", L"1", L"A0", L"1A", L"XFE1", L"A1048577", L"AAAA1", L"A1:", L":A1",
                                L"A1:B", L"A1 ", L" A1", L"A-1", L"A1:B2:C3", L"$$A1", L"Sheet1!A1", L"A1B2"}) {
        EXPECT_EQ(Parsed(text), "invalid") << std::wstring(text).size() << " chars";
    }
}

TEST(CellReferenceTest, ColumnLettersBothWays) {
    EXPECT_EQ(ColumnLetters(1), L"A");
    EXPECT_EQ(ColumnLetters(20), L"T");
    EXPECT_EQ(ColumnLetters(26), L"Z");
    EXPECT_EQ(ColumnLetters(27), L"AA");
    EXPECT_EQ(ColumnLetters(16384), L"XFD");
    EXPECT_EQ(ParseColumnLetters(L"t"), 20u);
    EXPECT_EQ(ParseColumnLetters(L"XFD"), 16384u);
    EXPECT_FALSE(ParseColumnLetters(L"XFE"));
    EXPECT_FALSE(ParseColumnLetters(L"A1"));
    EXPECT_FALSE(ParseColumnLetters(L"$A"));
}

}  // namespace
