#include "lib/Radix.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "lib/AnsiCodes.h"
#include "lib/CodePage.h"
#include "lib/RuntimeError.h"

namespace support {

namespace {

constexpr std::int64_t kLargestInteger = std::numeric_limits<std::int32_t>::max();
constexpr char16_t kUpperDigits[] = u"0123456789ABCDEF";
constexpr char16_t kReplacementCharacter = u'\uFFFD';

// The value of an upper-case digit of `base`, or −1.
int DigitValue(char16_t c, int base) noexcept {
    int value = -1;
    if (c >= u'0' && c <= u'9') value = c - u'0';
    else if (c >= u'A' && c <= u'F') value = c - u'A' + 10;
    return value < base ? value : -1;
}

// "a" to "f" become "A" to "F"; no other character can turn into a hexadecimal digit.
Text UpperHex(Text text) {
    for (char16_t& c : text)
        if (c >= u'a' && c <= u'f') c = static_cast<char16_t>(c - u'a' + u'A');
    return text;
}

void TrimLeadingZeros(Text& text) {
    const std::size_t first = text.find_first_not_of(u'0');
    text.erase(0, first == Text::npos ? text.size() : first);
}

// The digit text of a positive working value; the caller's variable ends at 0. Zero and negative
// values give the empty text and stay as they are. The variable changes only once the text is
// complete, so running out of memory leaves it alone.
Text IntegerToDigits(std::int32_t& value, int base) {
    std::int32_t working = value;
    Text digits;
    while (working > 0) {
        digits.push_back(kUpperDigits[working % base]);
        working /= base;
    }
    std::reverse(digits.begin(), digits.end());
    value = working;
    return digits;
}

// Each digit of the source base becomes its group of `width` binary digits; anything else is
// skipped.
Text DigitsToBinary(const Text& text, int base, int width) {
    Text bits;
    bits.reserve(text.size() * static_cast<std::size_t>(width));
    for (char16_t c : text) {
        const int value = DigitValue(c, base);
        if (value < 0) continue;
        for (int bit = width - 1; bit >= 0; --bit) bits.push_back((value >> bit) & 1 ? u'1' : u'0');
    }
    TrimLeadingZeros(bits);
    return bits;
}

// Groups of `width` binary digits, after padding on the left to whole groups, become one digit
// each; a group with any other character gives nothing.
Text BinaryToDigits(const Text& bits, int width) {
    const std::size_t w = static_cast<std::size_t>(width);
    Text padded = bits;
    if (padded.size() % w != 0) padded.insert(0, w - padded.size() % w, u'0');
    Text digits;
    for (std::size_t start = 0; start < padded.size(); start += w) {
        int value = 0;
        bool valid = true;
        for (std::size_t k = start; k < start + w; ++k) {
            if (padded[k] != u'0' && padded[k] != u'1') valid = false;
            value = value * 2 + (padded[k] == u'1' ? 1 : 0);
        }
        if (valid) digits.push_back(kUpperDigits[value]);
    }
    TrimLeadingZeros(digits);
    return digits;
}

// Digits read from the right with place values base^place; a non-digit keeps its place but adds
// nothing, and so does a "0" however far left it stands.
std::int32_t DigitsToInteger(const Text& text, int base) {
    // The first place whose value alone exceeds the integer range: 16^8 and 8^11.
    const std::size_t firstTooLargePlace = base == 16 ? 8 : 11;
    std::int64_t total = 0;
    const std::size_t n = text.size();
    for (std::size_t place = 0; place < n; ++place) {
        const int digit = DigitValue(text[n - 1 - place], base);
        if (digit <= 0) continue;
        if (place >= firstTooLargePlace) Fail(errors::kOverflow);
        std::int64_t placeValue = 1;
        for (std::size_t k = 0; k < place; ++k) placeValue *= base;
        total += digit * placeValue;
        if (total > kLargestInteger) Fail(errors::kOverflow);
    }
    return static_cast<std::int32_t>(total);
}

// Upper-case hexadecimal digits of an integer, "0" for zero, eight digits (two's complement) for
// a negative one.
Text HexDigits(std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    Text digits;
    do {
        digits.push_back(kUpperDigits[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    std::reverse(digits.begin(), digits.end());
    return digits;
}

// The number that "&H" followed by `text` stands for (see the class's header for the rules).
std::int32_t ReadHexNumber(TextView text) {
    std::uint64_t value = 0;
    std::size_t digitCount = 0;
    for (char16_t c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n') continue;
        int digit = DigitValue(c >= u'a' && c <= u'f' ? static_cast<char16_t>(c - u'a' + u'A') : c, 16);
        if (digit < 0) break;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) Fail(errors::kOverflow);
        ++digitCount;
    }
    if (digitCount <= 4) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// The character code of one code unit: its ANSI form as 0 to 255, or as a signed 16-bit number
// (first byte high) for a two-byte form.
std::int32_t CharacterCode(char16_t unit) {
    const std::uint16_t form = AnsiCode(unit);
    const std::uint8_t first = form & 0xFF;
    const std::uint8_t second = form >> 8;
    if (second == 0) return first;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(first << 8 | second));
}

// The character a code stands for in the ANSI code page. Bytes that are not the ANSI form of
// exactly one character (a lone lead byte, a pair that is no double-byte character, which the
// platform would turn into its default character) give U+FFFD. Error 5 outside −32768 to 65535.
char16_t CharacterFromCode(std::int64_t code) {
    if (code < -32768 || code > 65535) Fail(errors::kInvalidCall);
    if (code < 0) code += 65536;
    std::string bytes;
    if (code > 255) bytes.push_back(static_cast<char>(code >> 8));
    bytes.push_back(static_cast<char>(code & 0xFF));
    const Text decoded = DecodeText(CodePage::Ansi, bytes);
    // The decoded character must encode back to the same bytes: first byte low, second high.
    const auto form = static_cast<std::uint16_t>(code > 255 ? (code >> 8 | (code & 0xFF) << 8) : code);
    if (decoded.size() != 1 || AnsiCode(decoded[0]) != form) return kReplacementCharacter;
    return decoded[0];
}

// The two-character piece that starts at 1-based `position`, shorter or empty past the end.
TextView Piece(TextView text, std::size_t position) {
    if (position > text.size()) return {};
    return text.substr(position - 1, 2);
}

// The pieces at width − 1, width − 3, ..., 1: the byte pairs of an F-hex form in reverse order.
Text ReversedPairs(TextView text, std::size_t width) {
    Text joined;
    for (std::size_t position = width - 1; position >= 1; position -= 2) {
        joined += Piece(text, position);
        if (position == 1) break;
    }
    return joined;
}

std::span<const std::uint8_t> AsBytes(const std::string& bytes) noexcept {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

Text DecimalText(std::int32_t value) {
    const std::string digits = std::to_string(value);
    return Text(digits.begin(), digits.end());
}

Text FHexToDecimal(const Text& form, std::size_t width) {
    return DecimalText(ReadHexNumber(ReversedPairs(form, width)));
}

Text IntegerToFHex(std::int32_t value, std::size_t width) {
    Text digits = HexDigits(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), u'0');
    return ReversedPairs(digits, width);
}

}  // namespace

// --- Radix conversions ---

std::int32_t Radix::B2D(const Text& vBStr) {
    return RunOperation(kSource, [&] {
        if (vBStr.size() > 32767) Fail(errors::kOverflow);
        std::int64_t sum = 0;
        std::int64_t weight = 1;
        for (std::size_t p = vBStr.size(); p >= 1; --p) {
            const char16_t c = vBStr[p - 1];
            const int value = c >= u'0' && c <= u'9' ? c - u'0' : 0;
            if (value >= 2) return std::int32_t{0};
            sum += weight * value;
            if (sum > kLargestInteger) Fail(errors::kOverflow);
            if (p > 1) {
                weight *= 2;
                if (weight > kLargestInteger) Fail(errors::kOverflow);
            }
        }
        return static_cast<std::int32_t>(sum);
    });
}

Text Radix::D2B(std::int32_t& Dec) {
    return RunOperation(kSource, [&] { return IntegerToDigits(Dec, 2); });
}

Text Radix::H2B(Text Hex) {
    return RunOperation(kSource, [&] { return DigitsToBinary(UpperHex(std::move(Hex)), 16, 4); });
}

Text Radix::B2H(Text Bin) {
    return RunOperation(kSource, [&] { return BinaryToDigits(Bin, 4); });
}

std::int32_t Radix::H2D(Text Hex) {
    return RunOperation(kSource, [&] { return DigitsToInteger(UpperHex(std::move(Hex)), 16); });
}

Text Radix::D2H(std::int32_t& Dec) {
    return RunOperation(kSource, [&] { return IntegerToDigits(Dec, 16); });
}

Text Radix::D2O(std::int32_t& Dec) {
    return RunOperation(kSource, [&] { return IntegerToDigits(Dec, 8); });
}

std::int32_t Radix::O2D(Text Oct) {
    return RunOperation(kSource, [&] { return DigitsToInteger(Oct, 8); });
}

Text Radix::B2O(Text Bin) {
    return RunOperation(kSource, [&] { return BinaryToDigits(Bin, 3); });
}

Text Radix::O2B(Text Oct) {
    return RunOperation(kSource, [&] { return DigitsToBinary(Oct, 8, 3); });
}

Text Radix::O2H(Text Oct) {
    return RunOperation(kSource, [&] { return B2H(O2B(std::move(Oct))); });
}

Text Radix::H2O(Text Hex) {
    return RunOperation(kSource, [&] { return B2O(H2B(UpperHex(std::move(Hex)))); });
}

// --- Hexadecimal text, characters and bytes ---

Text Radix::H2A(const Text& InputData) {
    return RunOperation(kSource, [&] { return Text(1, CharacterFromCode(ReadHexNumber(InputData))); });
}

Text Radix::S2H(std::int32_t Num) {
    return RunOperation(kSource, [&] {
        Text digits = HexDigits(Num);
        if (digits.size() < 4) digits.insert(0, 4 - digits.size(), u'0');
        if (digits.size() == 4) digits = digits.substr(2, 2) + digits.substr(0, 2);
        return digits;
    });
}

Text Radix::S2H2(std::int32_t Num) {
    return RunOperation(kSource, [&] {
        Text digits = HexDigits(Num);
        if (digits.size() == 1) digits.insert(0, 1, u'0');
        return digits;
    });
}

Text Radix::A2H(const Text& str) {
    return RunOperation(kSource, [&] {
        // The character counter is 16 bits wide: it cannot pass the 32767th character.
        if (str.size() >= 32767) Fail(errors::kOverflow);
        Text result;
        result.reserve(str.size() * 4);
        for (char16_t c : str) {
            const std::int32_t code = CharacterCode(c);
            result += HexDigits(code < 0 ? code & 0xFFFF : code);
        }
        return result;
    });
}

Text Radix::FHexToInt(Text str) {
    return RunOperation(kSource, [&] { return FHexToDecimal(str, 8); });
}

Text Radix::FHexToInt6(Text str) {
    return RunOperation(kSource, [&] { return FHexToDecimal(str, 6); });
}

Text Radix::FHexToInt4(Text str) {
    return RunOperation(kSource, [&] { return FHexToDecimal(str, 4); });
}

Text Radix::IntToFHex(std::int32_t nums) {
    return RunOperation(kSource, [&] { return IntegerToFHex(nums, 8); });
}

Text Radix::IntToFHex6(std::int32_t nums) {
    return RunOperation(kSource, [&] { return IntegerToFHex(nums, 6); });
}

Text Radix::IntToFHex4(std::int32_t nums) {
    return RunOperation(kSource, [&] { return IntegerToFHex(nums, 4); });
}

TextOrBytes Radix::B2S(const ByteArray& str) {
    return RunOperation(kSource, [&] {
        const std::span<const std::uint8_t> bytes = str.Bytes();
        Text text;
        for (std::size_t i = 0; i < bytes.size();) {
            const std::uint8_t b = bytes[i];
            if (b < 0x80) {
                text.push_back(CharacterFromCode(b));
                i += 1;
                continue;
            }
            if (i + 1 >= bytes.size()) Fail(errors::kInvalidCall);
            text.push_back(CharacterFromCode(b * 256 + bytes[i + 1]));
            i += 2;
        }
        return TextOrBytes(std::move(text));
    });
}

TextOrBytes Radix::V2H(Text sHex, bool bUnicode) {
    return RunOperation(kSource, [&] {
        // Line breaks go; the values on either side of one run together.
        Text joined;
        joined.reserve(sHex.size());
        for (std::size_t i = 0; i < sHex.size(); ++i) {
            if (sHex[i] == u'\r' && i + 1 < sHex.size() && sHex[i + 1] == u'\n') {
                ++i;
                continue;
            }
            joined.push_back(sHex[i]);
        }
        if (joined.empty()) Fail(errors::kSubscriptOutOfRange);

        std::string bytes;
        bytes.reserve(joined.size() / 2 + 1);
        std::size_t start = 0;
        while (true) {
            const std::size_t space = joined.find(u' ', start);
            const TextView token = TextView(joined).substr(start, space == Text::npos ? Text::npos : space - start);
            const std::int32_t value = ReadHexNumber(token);
            if (value < 0 || value > 255) Fail(errors::kOverflow);
            bytes.push_back(static_cast<char>(value));
            if (space == Text::npos) break;
            start = space + 1;
        }

        if (bUnicode) return TextOrBytes(ByteArray(AsBytes(bytes)));
        return TextOrBytes(DecodeText(CodePage::Ansi, bytes));
    });
}

TextOrBytes Radix::A2B(const Text& str) {
    return RunOperation(kSource, [&] {
        return TextOrBytes(ByteArray(AsBytes(EncodeText(CodePage::Ansi, str))));
    });
}

Text Radix::B2A(const TextOrBytes& vData) {
    return RunOperation(kSource, [&] {
        std::string ansi;
        if (vData.IsBytes()) {
            const std::span<const std::uint8_t> bytes = vData.AsBytes().Bytes();
            ansi.assign(bytes.begin(), bytes.end());
        } else {
            for (char16_t unit : vData.AsText()) {
                ansi.push_back(static_cast<char>(unit & 0xFF));
                ansi.push_back(static_cast<char>(unit >> 8));
            }
        }
        return DecodeText(CodePage::Ansi, ansi);
    });
}

}  // namespace support
