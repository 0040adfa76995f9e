#pragma once
// CodeTrans: text to and from byte arrays in UTF-8 and UTF-16.
//
// - Unicode8Encode / Unicode8Decode: UTF-8 worked out bit by bit, one 16-bit code unit at a time
//   (a surrogate pair becomes two three-byte sequences). The decoder does not build the text from
//   the code points: each decoded non-ASCII character is put into its form in the system ANSI code
//   page, and the collected bytes are converted to text with that code page at the end. A decoded
//   text therefore holds only characters the ANSI code page can represent.
// - UnicodeEncode / UnicodeDecode: UTF-16 in either byte order, little-endian unless BigEndian;
//   the decoder passes characters above U+00FF through the ANSI code page the same way.
// - EncodeToBytes / DecodeToBytes: UTF-8 through the platform's own conversion (code page 65001).
//
// The class has no state. Every returned array has lower bound 0. Arrays passed in keep their
// bounds: Unicode8Decode reads from index 0 up to the upper bound whatever the lower bound is,
// UnicodeDecode walks from the lower bound to the upper bound.
//
// Failures are RuntimeErrors with the source "LabelSupport.CodeTrans":
//   5  Unicode8Decode meets a four- to six-byte sequence whose value is above 0xFFFF;
//   6  an input too large for its working buffer (limits with each operation);
//   9  an index outside the input array: a multi-byte sequence cut off by the end of the input, an
//      odd number of bytes for UnicodeDecode, an input whose lower bound is above 0 for
//      Unicode8Decode; also a write past the working buffer, which only an input with a negative
//      lower bound can cause in UnicodeDecode;
//   7  memory ran out.
// A failing operation returns nothing and changes none of its arguments.
//
// Decisions about the corner cases:
// - A character whose ANSI form is a single byte (on GBK: the default character "?" that replaces
//   a character GBK lacks, or an ASCII character reached through an overlong UTF-8 form) still
//   takes two bytes in the decoders' collected output: its byte and a zero byte, the high byte of
//   its 16-bit ANSI code. The decoded text then has U+0000 after that character (three of them
//   after a four- to six-byte overlong form), which keeps the character count of the input visible
//   instead of failing the whole text.
// - An input that writes no bytes (an empty text, an empty array, input made only of stray
//   continuation bytes, or for Unicode8Decode an array lying wholly below index 0) gives an empty
//   result: an empty text, or an array with no elements.
// - The ANSI code page and UTF-8 are reached through EncodeText / DecodeText (lib/CodePage.h).
#include <cstdint>

#include "lib/ByteArray.h"
#include "lib/Text.h"

namespace support {

class CodeTrans {
public:
    static constexpr const char16_t* kSource = u"LabelSupport.CodeTrans";

    // The operations in the order of the class's automation interface.

    // UTF-8 bytes, read from index 0 to the upper bound, to text through the ANSI code page.
    // Stray continuation bytes are skipped; continuation bytes are not checked for their 10xxxxxx
    // pattern and overlong forms decode to their value. The upper bound may be at most
    // 1,073,741,823 (error 6 above).
    Text Unicode8Decode(const ByteArray& bTemp);
    // Every code unit as one to three UTF-8 bytes. At most 715,827,882 code units (error 6 above).
    ByteArray Unicode8Encode(const Text& bTemp);
    // UTF-16 byte pairs, from the lower bound on, to text: units up to U+00FF as their raw byte
    // (which the ANSI code page then reads as its own), larger ones through their ANSI form.
    Text UnicodeDecode(const ByteArray& bTemp, bool BigEndian = false);
    // Two bytes per code unit, no byte-order mark. At most 1,073,741,823 code units (error 6 above).
    ByteArray UnicodeEncode(const Text& bTemp, bool BigEndian = false);
    // The UTF-8 form of `sData` up to its first U+0000, no terminating zero; a surrogate pair is one
    // four-byte sequence, a lone surrogate whatever the platform makes of it.
    ByteArray EncodeToBytes(Text sData);
    // `sData` carries UTF-8 bytes in its storage, two to a code unit, low byte first, ending at the
    // first zero byte; returns the decoded text as UTF-16 little-endian bytes, no terminating zero.
    // Invalid UTF-8 is replaced the way the platform replaces it.
    ByteArray DecodeToBytes(Text sData);
};

}  // namespace support
