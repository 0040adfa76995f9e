// Number-base conversions: digit texts, the in-out argument, invalid characters and the exact
// overflow boundaries.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "lib/Radix.h"
#include "tests/lib/LibTestSupport.h"

using support::Text;
using support::Radix;
using lib_tests::ErrorOf;

TEST(RadixIntegerToDigits, PositiveValuesAreConsumedOthersGiveEmptyTextAndStay) {
    Radix radix;
    std::int32_t dec = 10;
    EXPECT_EQ(radix.D2B(dec), u"1010");
    EXPECT_EQ(dec, 0) << "the caller's variable is the working value";
    EXPECT_EQ(radix.D2B(dec), u"") << "zero gives no digit at all";
    dec = -5;
    EXPECT_EQ(radix.D2H(dec), u"");
    EXPECT_EQ(dec, -5);

    dec = INT_MAX;
    EXPECT_EQ(radix.D2B(dec), Text(31, u'1'));
    dec = 255;
    EXPECT_EQ(radix.D2H(dec), u"FF");
    dec = 4096;
    EXPECT_EQ(radix.D2H(dec), u"1000");
    dec = INT_MAX;
    EXPECT_EQ(radix.D2H(dec), u"7FFFFFFF");
    dec = 8;
    EXPECT_EQ(radix.D2O(dec), u"10");
    dec = 511;
    EXPECT_EQ(radix.D2O(dec), u"777");
}

TEST(RadixBinaryToInteger, ReadsFromTheRightAndOverflowsPastThirtyOneDigits) {
    Radix radix;
    EXPECT_EQ(radix.B2D(u"1010"), 10);
    EXPECT_EQ(radix.B2D(u""), 0);
    EXPECT_EQ(radix.B2D(u"1a1"), 5) << "a letter counts as 0";
    EXPECT_EQ(radix.B2D(u"0012"), 0) << "a digit 2 reached from the right makes the result 0";
    EXPECT_EQ(radix.B2D(Text(31, u'1')), INT_MAX);

    EXPECT_EQ(ErrorOf([&] { radix.B2D(u"1" + Text(31, u'0')); }).Line(), L"6 LabelSupport.Radix: 溢出");
    EXPECT_EQ(ErrorOf([&] { radix.B2D(u"2" + Text(31, u'1')); }).number, 6) << "a 2 beyond the 31st place";
    EXPECT_EQ(radix.B2D(Text(32766, u'1') + u"9"), 0) << "a 9 among the last 31 is met first";
    EXPECT_EQ(ErrorOf([&] { radix.B2D(Text(32768, u'2')); }).number, 6) << "too long fails before reading";
}

TEST(RadixDigitsToInteger, InvalidCharactersKeepTheirPlaceAndTheRangeEndsAtInt32Max) {
    Radix radix;
    EXPECT_EQ(radix.H2D(u"ff"), 255);
    EXPECT_EQ(radix.H2D(u"7FFFFFFF"), INT_MAX);
    EXPECT_EQ(radix.H2D(u"1G"), 16) << "the G stands where a 0 would";
    EXPECT_EQ(radix.H2D(u""), 0);
    EXPECT_EQ(radix.H2D(Text(400, u'0') + u"FF"), 255) << "leading zeros at any distance";
    EXPECT_EQ(ErrorOf([&] { radix.H2D(u"80000000"); }).number, 6);
    EXPECT_EQ(ErrorOf([&] { radix.H2D(u"1" + Text(300, u'0')); }).number, 6);

    EXPECT_EQ(radix.O2D(u"777"), 511);
    EXPECT_EQ(radix.O2D(u"19"), 8) << "the 9 keeps its place";
    EXPECT_EQ(radix.O2D(u"17777777777"), INT_MAX);
    EXPECT_EQ(ErrorOf([&] { radix.O2D(u"20000000000"); }).number, 6);
}

TEST(RadixDigitGroups, BinaryOctalAndHexTextsRegroupAndTrimLeadingZeros) {
    Radix radix;
    EXPECT_EQ(radix.H2B(u"1F"), u"11111");
    EXPECT_EQ(radix.H2B(u"1f"), u"11111");
    EXPECT_EQ(radix.H2B(u"0"), u"");
    EXPECT_EQ(radix.H2B(u"00A"), u"1010");
    EXPECT_EQ(radix.H2B(u"G1"), u"1");
    EXPECT_EQ(radix.B2H(u"11111"), u"1F");
    EXPECT_EQ(radix.B2H(u"0000"), u"");
    EXPECT_EQ(radix.B2H(u"2"), u"");
    EXPECT_EQ(radix.B2H(u"x0011111"), u"F") << "the group x001 gives nothing";
    EXPECT_EQ(radix.B2O(u"11111"), u"37");
    EXPECT_EQ(radix.B2O(u"000"), u"");
    EXPECT_EQ(radix.O2B(u"37"), u"11111");
    EXPECT_EQ(radix.O2B(u"8"), u"");
    EXPECT_EQ(radix.O2H(u"37"), u"1F");
    EXPECT_EQ(radix.O2H(u"0"), u"");
    EXPECT_EQ(radix.H2O(u"1f"), u"37");
    EXPECT_EQ(radix.H2O(u"FFFFFFFF"), u"37777777777");
}

TEST(RadixDigitGroups, EveryNotationRoundTripsThroughTheOthers) {
    Radix radix;
    for (std::int64_t v = 1; v <= INT_MAX; v = v < 5000 ? v + 1 : v * 3 + 1) {
        std::int32_t a = static_cast<std::int32_t>(v), b = a, c = a;
        const Text bin = radix.D2B(a), hex = radix.D2H(b), oct = radix.D2O(c);
        ASSERT_EQ(radix.B2D(bin), v);
        ASSERT_EQ(radix.H2D(hex), v);
        ASSERT_EQ(radix.O2D(oct), v);
        ASSERT_EQ(radix.H2B(hex), bin) << v;
        ASSERT_EQ(radix.O2B(oct), bin) << v;
        ASSERT_EQ(radix.B2H(bin), hex) << v;
        ASSERT_EQ(radix.B2O(bin), oct) << v;
        ASSERT_EQ(radix.O2H(oct), hex) << v;
        ASSERT_EQ(radix.H2O(hex), oct) << v;
    }
}
