// The byte codecs: hand-made UTF-8 and UTF-16 with their ANSI step, and the platform's UTF-8,
// on a system whose ANSI code page is GBK.
#include <gtest/gtest.h>

#include "lib/CodeTrans.h"
#include "lib/Radix.h"
#include "tests/lib/LibTestSupport.h"

using support::ByteArray;
using support::CodeTrans;
using support::Text;
using lib_tests::ErrorOf;

namespace {

// Long enough to cross every fast path: ASCII runs, GBK characters, line breaks.
Text MixedText() {
    Text text;
    for (int k = 0; k < 200; ++k) {
        text += k % 3 ? u"Label 标签打印 No." : u"，完成！ok\r\n";
        text += static_cast<char16_t>(0x4E00 + k * 37);
    }
    return text;
}

}  // namespace

TEST(CodeTransUtf8Encode, EveryCodeUnitBecomesOneToThreeBytes) {
    CodeTrans codec;
    EXPECT_EQ(codec.Unicode8Encode(u"abc"), (ByteArray{0x61, 0x62, 0x63}));
    EXPECT_EQ(codec.Unicode8Encode(u"打"), (ByteArray{0xE6, 0x89, 0x93}));
    EXPECT_EQ(codec.Unicode8Encode(u"\u00E9\u07FF"), (ByteArray{0xC3, 0xA9, 0xDF, 0xBF}));
    EXPECT_EQ(codec.Unicode8Encode(u"\u0800"), (ByteArray{0xE0, 0xA0, 0x80}));
    EXPECT_EQ(codec.Unicode8Encode(u"\U0001F600"), (ByteArray{0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}))
        << "a surrogate pair is two three-byte sequences";
    EXPECT_EQ(codec.Unicode8Encode(u"").UpperBound(), -1);

    // Without surrogates the hand-made encoder and the platform's agree byte for byte.
    const Text mixed = MixedText();
    for (std::size_t cut = 0; cut < 9; ++cut) {
        EXPECT_EQ(codec.Unicode8Encode(mixed.substr(cut)), codec.EncodeToBytes(mixed.substr(cut))) << cut;
    }
}

TEST(CodeTransUtf8Decode, CharactersPassThroughTheirGbkForm) {
    CodeTrans codec;
    EXPECT_EQ(codec.Unicode8Decode(ByteArray{0x61, 0x62, 0x63}), u"abc");
    EXPECT_EQ(codec.Unicode8Decode(ByteArray{0xE6, 0x89, 0x93}), u"打");
    EXPECT_EQ(codec.Unicode8Decode(ByteArray{0x80, 0x61}), u"a") << "a stray continuation byte is skipped";
    EXPECT_EQ(codec.Unicode8Decode(ByteArray{0xF0, 0x86, 0x89, 0x93}), Text(u"打\0\0", 3)) << "overlong";
    EXPECT_EQ(codec.Unicode8Decode(ByteArray{0xC1, 0x81}), Text(u"A\0", 2)) << "one-byte ANSI form, then 0";
    EXPECT_EQ(codec.Unicode8Decode(ByteArray{0xED, 0xA0, 0xBD}), Text(u"?\0", 2)) << "GBK's default character";
    const Text mixed = MixedText();
    EXPECT_EQ(codec.Unicode8Decode(codec.Unicode8Encode(mixed)), mixed);

    EXPECT_EQ(ErrorOf([&] { codec.Unicode8Decode(ByteArray{0x61, 0xE6}); }).Line(),
              L"9 LabelSupport.CodeTrans: 下标越界");
    EXPECT_EQ(ErrorOf([&] { codec.Unicode8Decode(ByteArray{0xFC, 0x80, 0x80, 0x80, 0x80}); }).number, 9);
    EXPECT_EQ(ErrorOf([&] { codec.Unicode8Decode(ByteArray{0xF0, 0x9F, 0x98, 0x80}); }).number, 5);
    EXPECT_EQ(ErrorOf([&] { codec.Unicode8Decode(ByteArray{0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}); }).number, 5);

    // Reading starts at index 0 whatever the lower bound.
    EXPECT_EQ(codec.Unicode8Decode(ByteArray({0xE6, 0x89, 0x61, 0x62}, -2)), u"ab");
    EXPECT_EQ(codec.Unicode8Decode(ByteArray({0x61, 0xE6}, -2)), u"") << "nothing at index 0 or above";
    EXPECT_EQ(ErrorOf([&] { codec.Unicode8Decode(ByteArray({0x61, 0x62}, 1)); }).number, 9);
    EXPECT_EQ(codec.Unicode8Decode(ByteArray()), u"");
}

TEST(CodeTransUtf16, BothByteOrdersAndTheAnsiStepOfTheDecoder) {
    CodeTrans codec;
    EXPECT_EQ(codec.UnicodeEncode(u"abc"), (ByteArray{0x61, 0x00, 0x62, 0x00, 0x63, 0x00}));
    EXPECT_EQ(codec.UnicodeEncode(u"abc", true), (ByteArray{0x00, 0x61, 0x00, 0x62, 0x00, 0x63}));
    EXPECT_EQ(codec.UnicodeEncode(u"打", true), (ByteArray{0x62, 0x53}));
    EXPECT_TRUE(codec.UnicodeEncode(u"").empty());

    EXPECT_EQ(codec.UnicodeDecode(ByteArray{0x53, 0x62}), u"打");
    EXPECT_EQ(codec.UnicodeDecode(ByteArray{0x62, 0x53}, true), u"打");
    EXPECT_EQ(codec.UnicodeDecode(ByteArray{0x61, 0x00, 0x62, 0x00, 0x63, 0x00}), u"abc");
    // Units up to U+00FF go in as raw bytes, which GBK reads as its own: E9 41 is one character.
    EXPECT_EQ(codec.UnicodeDecode(ByteArray{0xE9, 0x00, 0x41, 0x00}),
              support::Radix().B2A(ByteArray{0xE9, 0x41}));
    EXPECT_EQ(ErrorOf([&] { codec.UnicodeDecode(ByteArray{0x61, 0x00, 0x62}); }).number, 9);

    // The walk goes from the lower bound; the working buffer ends at the upper bound, so only a
    // negative lower bound can run out of room.
    EXPECT_EQ(codec.UnicodeDecode(ByteArray({0x53, 0x62, 0x41, 0x00}, 5)), u"打A");
    EXPECT_EQ(codec.UnicodeDecode(ByteArray({0x61, 0x00, 0x62, 0x00}, -2)), u"ab");
    EXPECT_EQ(ErrorOf([&] { codec.UnicodeDecode(ByteArray({0x53, 0x62}, -2)); }).number, 9);

    const Text mixed = MixedText();
    EXPECT_EQ(codec.UnicodeDecode(codec.UnicodeEncode(mixed, true), true), mixed);
}

TEST(CodeTransPlatformUtf8, ConversionsStopAtTheFirstZero) {
    CodeTrans codec;
    EXPECT_EQ(codec.EncodeToBytes(u"打"), (ByteArray{0xE6, 0x89, 0x93}));
    EXPECT_EQ(codec.EncodeToBytes(u"\U0001F600"), (ByteArray{0xF0, 0x9F, 0x98, 0x80})) << "a pair is one code point";
    EXPECT_EQ(codec.EncodeToBytes(Text(u"ab\0cd", 5)), (ByteArray{0x61, 0x62}));
    EXPECT_EQ(codec.EncodeToBytes(u"").UpperBound(), -1);

    EXPECT_EQ(codec.DecodeToBytes(u"\x89E6\x0093"), (ByteArray{0x53, 0x62})) << "storage E6 89 93 00";
    EXPECT_EQ(codec.DecodeToBytes(u"abc"), (ByteArray{0x61, 0x00})) << "the zero high byte of a ends it";
    EXPECT_EQ(codec.DecodeToBytes(u"\x9FF0\x8098"), (ByteArray{0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_TRUE(codec.DecodeToBytes(u"").empty());
}
