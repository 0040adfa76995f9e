#pragma once
// Radix (served to scripts as LabelSupport.Radix): number-base conversion. Converts integers between binary, octal, decimal and
// hexadecimal notation, and between hexadecimal text, characters and bytes in the system ANSI code
// page. The class has no state; every operation depends only on its arguments (and on the ANSI
// code page where characters meet bytes).
//
// Decimal numbers are 32-bit integers; binary, octal and hexadecimal numbers are texts of digit
// characters, most significant digit first, upper-case "A" to "F", no sign, prefix or separators.
// No operation validates its input as a whole: a character outside the source base is skipped or
// counted as described per operation.
//
// Failures are RuntimeErrors with the source "LabelSupport.Radix": 5 (invalid procedure call or
// argument), 6 (overflow), 9 (subscript out of range), and 7 should memory run out. A failing
// operation returns nothing and changes none of its arguments.
//
// Its operations are declared in the order of its automation interface
// {0B2EE0B7-BC4C-47B4-8336-341611C9CDB0} (dispatch identifiers 0x60030000 to 0x60030019 in the same
// order), through which lib/automation serves the class as LabelSupport.Radix.
//
// Characters meet bytes only through EncodeText / DecodeText (lib/CodePage.h): on Windows the
// platform's conversion with the ANSI code page, which puts the default character in place of a
// character the code page lacks.
#include <cstdint>

#include "lib/ByteArray.h"
#include "lib/Text.h"
#include "lib/TextOrBytes.h"

namespace support {

class Radix {
public:
    static constexpr const char16_t* kSource = u"LabelSupport.Radix";

    // --- Radix conversions ---

    // Binary text to integer, read from the right. Each character counts with its decimal digit
    // value, any non-digit as 0; a digit 2 to 9 reached from the right makes the result 0 at once.
    // Error 6 for a text of more than 32767 characters, or when the weight of the 32nd character
    // from the right is reached (so at most 31 binary digits).
    std::int32_t B2D(const Text& vBStr);
    // Integer to binary text. `Dec` is the working value: a positive caller's variable ends at 0,
    // zero or negative ones are left alone and give the empty text.
    Text D2B(std::int32_t& Dec);
    // Hexadecimal text (either case) to binary text: four binary digits per hexadecimal digit,
    // other characters skipped, leading zeros trimmed ("0" gives the empty text).
    Text H2B(Text Hex);
    // Binary text to hexadecimal text: padded on the left to whole groups of four; a group that
    // holds anything but "0"/"1" gives no digit; leading zeros trimmed.
    Text B2H(Text Bin);
    // Hexadecimal text (either case) to integer. A character that is not a digit adds nothing but
    // keeps its place. Error 6 above 7FFFFFFF.
    // A "0" digit adds nothing at any distance from the right, so any number of leading zeros is
    // accepted; a non-zero digit beyond the eighth place is an overflow.
    std::int32_t H2D(Text Hex);
    // Integer to hexadecimal text; `Dec` works as in D2B.
    Text D2H(std::int32_t& Dec);
    // Integer to octal text; `Dec` works as in D2B.
    Text D2O(std::int32_t& Dec);
    // Octal text to integer, as H2D with base 8 and no case folding. Error 6 above 17777777777.
    // Leading zeros: as H2D (a non-zero digit beyond the eleventh place is an overflow).
    std::int32_t O2D(Text Oct);
    // Binary text to octal text, in groups of three, as B2H.
    Text B2O(Text Bin);
    // Octal text to binary text, three binary digits per octal digit, as H2B.
    Text O2B(Text Oct);
    // Octal to hexadecimal text: B2H(O2B(Oct)).
    Text O2H(Text Oct);
    // Hexadecimal (either case) to octal text: B2O(H2B(Hex)).
    Text H2O(Text Hex);

    // --- Hexadecimal text, characters and bytes ---
    //
    // Character code: a character's form in the ANSI code page (the default character for one the
    // code page lacks). A one-byte form gives 0 to 255; a two-byte form gives first × 256 + second
    // as a signed 16-bit number, so GBK double-byte characters have negative codes ("啊" is −20319).
    //
    // Hexadecimal reading with the prefix "&H": spaces, tabs and line feeds are dropped, then the
    // hexadecimal digits after the prefix are read up to the first other character (none reads as
    // 0). Up to four digits are a signed 16-bit number ("FFFF" is −1); more digits are a signed
    // 32-bit number ("FFFFFFFF" is −1). Leading zeros count as digits, so "0000FFFF" is 65535 and
    // not −1: the F-hex forms of 32768 to 65535 then read back as themselves. A number above
    // FFFFFFFF is error 6.

    // The character whose code `InputData` gives in hexadecimal ("41" is "A", "B0A1" is "啊" on
    // GBK). Error 5 for a code below −32768 or above 65535; a code above FFFFFFFF is error 6.
    // A code whose byte or bytes are not the ANSI form of exactly one character (a lone lead byte,
    // two bytes that are no double-byte character) gives U+FFFD, the replacement character, rather
    // than whatever the platform's decoding substitutes ("?" under Wine, which would read as a real
    // question mark).
    Text H2A(const Text& InputData);
    // The hexadecimal digits of `Num` ("0" for 0, eight digits for a negative number), padded to
    // four when shorter; four digits come back with their two bytes swapped ("0100" for 1).
    Text S2H(std::int32_t Num);
    // The hexadecimal digits of `Num`, with a "0" in front of a single digit.
    Text S2H2(std::int32_t Num);
    // The hexadecimal character codes of the characters of `str`, joined without separators or
    // padding ("AB" gives "4142", "啊" gives "B0A1", a tab gives "9").
    // Error 6 for a text of 32767 characters or more.
    Text A2H(const Text& str);
    // The F-hex form (the integer's bytes least significant first, two digits each) of width 8, 6
    // or 4 read back into decimal text: signed, "-1" for "FFFFFFFF". Characters after the width
    // are ignored; missing ones read as nothing.
    Text FHexToInt(Text str);
    Text FHexToInt6(Text str);
    Text FHexToInt4(Text str);
    // The F-hex form of width 8, 6 or 4: "78563412" for 305419896. A number whose hexadecimal
    // digits are longer than the width (negative, or too large) uses its first digits unpadded:
    // IntToFHex4(74565) is "3412", IntToFHex4(−1) is "FFFF".
    Text IntToFHex(std::int32_t nums);
    Text IntToFHex6(std::int32_t nums);
    Text IntToFHex4(std::int32_t nums);
    // Bytes in the ANSI code page decoded by hand: a byte of 0x80 or more is paired with the next
    // byte into one double-byte character, any other byte is one character. Returns a text.
    // Error 5 when a lead byte is the last byte. A pair that is no character of the code page gives
    // U+FFFD, as in H2A. The bytes are taken from the lower bound to the upper bound.
    TextOrBytes B2S(const ByteArray& str);
    // Space-separated hexadecimal byte values ("41 42 43") to their bytes (bUnicode true) or to the
    // text those bytes give in the ANSI code page (false, the default). CR LF pairs are removed
    // first; two adjacent spaces, or a space at either end, give an empty value, which is 0.
    // Error 6 for a value outside 0 to 255, error 9 for a text without any value.
    TextOrBytes V2H(Text sHex, bool bUnicode = false);
    // The bytes of `str` in the ANSI code page, lower bound 0; empty text gives no elements.
    TextOrBytes A2B(const Text& str);
    // The text that the bytes held in `vData` give in the ANSI code page. A value holding a text
    // instead is decoded from the text's storage bytes (each code unit low byte first), the way a
    // text that carries ANSI bytes two to a code unit is read.
    Text B2A(const TextOrBytes& vData);
};

}  // namespace support
