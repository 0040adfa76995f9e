// Hexadecimal character codes, short and F-hex forms of integers, and ANSI bytes, on a system
// whose ANSI code page is GBK.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "lib/Radix.h"
#include "tests/lib/LibTestSupport.h"

using support::ByteArray;
using support::Text;
using support::TextOrBytes;
using support::Radix;
using lib_tests::ErrorOf;

TEST(RadixCharacterCodes, CodesAreAnsiFormsWithGbkDoubleBytesNegative) {
    Radix radix;
    EXPECT_EQ(radix.H2A(u"41"), u"A");
    EXPECT_EQ(radix.H2A(u"b0a1"), u"啊") << "B0A1 reads as -20319 and comes back as two bytes";
    EXPECT_EQ(radix.H2A(u""), Text(1, u'\0'));
    EXPECT_EQ(radix.H2A(u"4G"), Text(1, u'\x04')) << "the reading stops at G";
    EXPECT_EQ(radix.H2A(u" 4\t1\n"), u"A") << "blanks are dropped before reading";
    EXPECT_EQ(radix.H2A(u"0000B0A1"), u"啊") << "the positive reading of a long form is in range";
    EXPECT_EQ(ErrorOf([&] { radix.H2A(u"10000"); }).Line(),
              L"5 LabelSupport.Radix: 无效的过程调用或参数");
    EXPECT_EQ(ErrorOf([&] { radix.H2A(u"FFFF0000"); }).number, 5) << "-65536";
    EXPECT_EQ(ErrorOf([&] { radix.H2A(u"100000000"); }).number, 6) << "above FFFFFFFF";
    EXPECT_EQ(radix.H2A(u"B07F"), u"\uFFFD") << "two bytes that are no GBK character";
    EXPECT_EQ(radix.H2A(u"B0"), u"\uFFFD") << "a lead byte alone";

    EXPECT_EQ(radix.A2H(u"AB"), u"4142");
    EXPECT_EQ(radix.A2H(u"A打啊"), u"41B4F2B0A1");
    EXPECT_EQ(radix.A2H(u"\t"), u"9") << "no padding";
    EXPECT_EQ(radix.A2H(u""), u"");
    EXPECT_EQ(radix.A2H(u"\xD83D"), u"3F") << "a character GBK lacks is its default character ?";
    for (char16_t c : Text(u"打印完成标签查询！（）")) EXPECT_EQ(radix.H2A(radix.A2H(Text(1, c))), Text(1, c));
    EXPECT_EQ(radix.A2H(Text(32766, u'A')).size(), 2u * 32766);
    EXPECT_EQ(ErrorOf([&] { radix.A2H(Text(32767, u'A')); }).number, 6);
}

TEST(RadixShortHexForms, FourDigitsSwapTheirBytesOthersStayAsTheyAre) {
    Radix radix;
    EXPECT_EQ(radix.S2H(1), u"0100");
    EXPECT_EQ(radix.S2H(4660), u"3412");
    EXPECT_EQ(radix.S2H(255), u"FF00");
    EXPECT_EQ(radix.S2H(0), u"0000");
    EXPECT_EQ(radix.S2H(65535), u"FFFF");
    EXPECT_EQ(radix.S2H(65536), u"10000");
    EXPECT_EQ(radix.S2H(-1), u"FFFFFFFF");
    EXPECT_EQ(radix.S2H2(10), u"0A");
    EXPECT_EQ(radix.S2H2(4660), u"1234");
    EXPECT_EQ(radix.S2H2(0), u"00");
    EXPECT_EQ(radix.S2H2(-1), u"FFFFFFFF");
}

TEST(RadixFHexForms, LittleEndianFormsWriteAndReadBack) {
    Radix radix;
    EXPECT_EQ(radix.IntToFHex(305419896), u"78563412");
    EXPECT_EQ(radix.IntToFHex(1), u"01000000");
    EXPECT_EQ(radix.IntToFHex(-1), u"FFFFFFFF");
    EXPECT_EQ(radix.IntToFHex6(255), u"FF0000");
    EXPECT_EQ(radix.IntToFHex4(1), u"0100");
    EXPECT_EQ(radix.IntToFHex4(74565), u"3412") << "too long: the first four digits";
    EXPECT_EQ(radix.IntToFHex4(-1), u"FFFF");

    EXPECT_EQ(radix.FHexToInt(u"FFFFFFFF"), u"-1");
    EXPECT_EQ(radix.FHexToInt(u""), u"0");
    EXPECT_EQ(radix.FHexToInt(u"0A"), u"10");
    EXPECT_EQ(radix.FHexToInt(u"78563412AB"), u"305419896") << "the rest is ignored";
    EXPECT_EQ(radix.FHexToInt4(u"FF7F"), u"32767");
    EXPECT_EQ(radix.FHexToInt4(u"0080"), u"-32768");
    // More than four digits read as a positive number: 32768 to 65535 come back as themselves.
    EXPECT_EQ(radix.FHexToInt(u"409C0000"), u"40000");
    EXPECT_EQ(radix.FHexToInt6(u"409C00"), u"40000");
    EXPECT_EQ(radix.FHexToInt4(u"409C"), u"-25536");

    for (std::int32_t v : {0, 1, 255, 32767, 32768, 65535, 65536, 1193046, 16777215, 305419896, INT32_MAX, -1,
                           -32768, INT32_MIN}) {
        const auto text = [](std::int64_t n) { const std::string s = std::to_string(n); return Text(s.begin(), s.end()); };
        EXPECT_EQ(radix.FHexToInt(radix.IntToFHex(v)), text(v));
        if (v >= 0 && v <= 16777215) { EXPECT_EQ(radix.FHexToInt6(radix.IntToFHex6(v)), text(v)); }
        if (v >= 0 && v <= 65535) { EXPECT_EQ(radix.FHexToInt4(radix.IntToFHex4(v)), text(static_cast<std::int16_t>(v))); }
    }
}

TEST(RadixAnsiBytes, TextAndGbkBytesConvertBothWays) {
    Radix radix;
    const TextOrBytes bytes = radix.A2B(u"A啊");
    EXPECT_EQ(bytes.AsBytes(), (ByteArray{0x41, 0xB0, 0xA1}));
    EXPECT_EQ(radix.B2A(bytes), u"A啊");
    const ByteArray none = radix.A2B(u"").AsBytes();
    EXPECT_EQ(none.UpperBound(), -1);
    EXPECT_EQ(none.LowerBound(), 0);
    EXPECT_EQ(radix.B2A(TextOrBytes(ByteArray({0xB4, 0xF2, 0x41}, 7))), u"打A") << "any lower bound";
    EXPECT_EQ(radix.B2A(TextOrBytes(Text(u"\xA1B0\xF2B4"))), u"啊打") << "GBK bytes carried in a text's storage";

    EXPECT_EQ(radix.B2S(ByteArray{0x41, 0x42}).AsText(), u"AB");
    EXPECT_EQ(radix.B2S(ByteArray({0xB0, 0xA1, 0x41}, -3)).AsText(), u"啊A");
    EXPECT_EQ(radix.B2S(ByteArray{0xB0, 0x7F, 0x41}).AsText(), u"\uFFFDA") << "a pair that is no character";
    auto leadLast = ErrorOf([&] { radix.B2S(ByteArray{0x41, 0xB0}); });
    EXPECT_EQ(leadLast.number, 5);
    EXPECT_EQ(leadLast.source, L"LabelSupport.Radix");
}

TEST(RadixHexValues, SpaceSeparatedValuesGiveBytesOrAnsiText) {
    Radix radix;
    EXPECT_EQ(radix.V2H(u"41 42 43").AsText(), u"ABC");
    EXPECT_EQ(radix.V2H(u"41 42 43", true).AsBytes(), (ByteArray{0x41, 0x42, 0x43}));
    EXPECT_EQ(radix.V2H(u"B0 A1").AsText(), u"啊");
    EXPECT_EQ(radix.V2H(u"41  42", true).AsBytes(), (ByteArray{0x41, 0x00, 0x42})) << "empty value between spaces";
    EXPECT_EQ(radix.V2H(u" 41\r\n 42 ", true).AsBytes(), (ByteArray{0x00, 0x41, 0x42, 0x00}));
    EXPECT_EQ(radix.V2H(u"ff\r 0a", true).AsBytes(), (ByteArray{0xFF, 0x0A})) << "a lone CR ends a value";

    EXPECT_EQ(ErrorOf([&] { radix.V2H(u"41\r\n42"); }).number, 6) << "two lines run together into 4142";
    EXPECT_EQ(ErrorOf([&] { radix.V2H(u"41 FFFF", true); }).number, 6) << "FFFF reads as -1";
    auto empty = ErrorOf([&] { radix.V2H(u""); });
    EXPECT_EQ(empty.number, 9);
    EXPECT_EQ(empty.source, L"LabelSupport.Radix");
    EXPECT_EQ(ErrorOf([&] { radix.V2H(u"\r\n\r\n", true); }).number, 9);
}
