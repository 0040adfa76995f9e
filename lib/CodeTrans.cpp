#include "lib/CodeTrans.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "lib/AnsiCodes.h"
#include "lib/CodePage.h"
#include "lib/RuntimeError.h"

namespace support {

namespace {

constexpr std::int64_t kLargestInteger = std::numeric_limits<std::int32_t>::max();

// The working buffer trimmed to the bytes written, as the result.
ByteArray Trimmed(ByteBuffer buffer, std::size_t written) {
    buffer.Shrink(written);
    return ByteArray(std::move(buffer));
}

Text DecodeAnsi(const ByteBuffer& buffer, std::size_t written) {
    return DecodeText(CodePage::Ansi, std::string_view(reinterpret_cast<const char*>(buffer.data()), written));
}

// Eight bytes below 0x80 in a row: the common case of ASCII text, copied without classifying.
bool EightAscii(const std::uint8_t* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ull) == 0;
}

// Four code units below 0x80 in a row.
bool FourAscii(const char16_t* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0xFF80FF80FF80FF80ull) == 0;
}

}  // namespace

Text CodeTrans::Unicode8Decode(const ByteArray& bTemp) {
    return RunOperation(kSource, [&] {
        if (bTemp.empty()) return Text();
        const std::int64_t upper = bTemp.UpperBound();
        if (2 * upper > kLargestInteger) Fail(errors::kOverflow);
        // Reading starts at index 0: nothing to read when the whole array lies below it, and an
        // array that starts above it has no element 0.
        if (upper < 0) return Text();
        if (!bTemp.Contains(0)) Fail(errors::kSubscriptOutOfRange);

        const std::uint8_t* in = bTemp.data() + (0 - static_cast<std::int64_t>(bTemp.LowerBound()));
        const std::uint8_t* const end = bTemp.data() + bTemp.size();
        // No sequence writes more bytes than it reads, so one byte per input byte is enough.
        ByteBuffer buffer(static_cast<std::size_t>(end - in));
        std::uint8_t* out = buffer.data();
        const std::uint16_t* ansi = nullptr;

        auto writeAnsiCode = [&](std::uint32_t value) {
            if (!ansi) ansi = AnsiCodeTable();
            const std::uint16_t code = ansi[value];
            *out++ = static_cast<std::uint8_t>(code & 0xFF);
            *out++ = static_cast<std::uint8_t>(code >> 8);
        };
        // The low six bits of the `count` bytes after the lead byte, appended to `value`.
        auto readSequence = [&](std::uint32_t value, std::ptrdiff_t count) {
            if (end - in <= count) Fail(errors::kSubscriptOutOfRange);
            for (std::ptrdiff_t k = 1; k <= count; ++k) value = value << 6 | (in[k] & 0x3Fu);
            in += count + 1;
            return value;
        };

        while (in < end) {
            const std::uint8_t b = *in;
            if (b < 0x80) {
                if (end - in >= 8 && EightAscii(in)) {
                    std::memcpy(out, in, 8);
                    out += 8;
                    in += 8;
                } else {
                    *out++ = b;
                    ++in;
                }
                continue;
            }
            std::uint32_t value;
            if ((b & 0xE0) == 0xE0 && (b & 0xF0) != 0xF0) {
                value = readSequence(b & 0x0Fu, 2);
            } else if ((b & 0xC0) == 0xC0 && (b & 0xE0) != 0xE0) {
                value = readSequence(b & 0x1Fu, 1);
            } else if ((b & 0xC0) != 0xC0) {
                ++in;  // a continuation byte where a lead byte is due
                continue;
            } else {
                // Four, five and six bytes: only an overlong form stays within 16 bits.
                if ((b & 0xFC) == 0xFC) value = readSequence(b & 0x01u, 5);
                else if ((b & 0xF8) == 0xF8) value = readSequence(b & 0x03u, 4);
                else value = readSequence(b & 0x07u, 3);
                if (value > 0xFFFF) Fail(errors::kInvalidCall);
                writeAnsiCode(value);
                *out++ = 0;
                *out++ = 0;
                continue;
            }
            writeAnsiCode(value);
        }
        return DecodeAnsi(buffer, static_cast<std::size_t>(out - buffer.data()));
    });
}

ByteArray CodeTrans::Unicode8Encode(const Text& bTemp) {
    return RunOperation(kSource, [&] {
        const std::size_t n = bTemp.size();
        if (3 * static_cast<std::int64_t>(n) > kLargestInteger) Fail(errors::kOverflow);
        if (n == 0) return ByteArray();

        // One byte more than three per unit: a three-byte sequence is stored as four bytes in one
        // go, so the last one may write a byte beyond its end.
        ByteBuffer buffer(3 * n + 1);
        std::uint8_t* out = buffer.data();
        const char16_t* in = bTemp.data();
        const char16_t* const end = in + n;
        auto three = [&out](std::uint32_t c) {
            const std::uint8_t sequence[4] = {static_cast<std::uint8_t>(0xE0 | c >> 12),
                                              static_cast<std::uint8_t>(0x80 | (c >> 6 & 0x3F)),
                                              static_cast<std::uint8_t>(0x80 | (c & 0x3F)), 0};
            std::memcpy(out, sequence, 4);
            out += 3;
        };
        while (in < end) {
            if (end - in >= 4 && FourAscii(in)) {
                const std::uint8_t four[4] = {static_cast<std::uint8_t>(in[0]), static_cast<std::uint8_t>(in[1]),
                                              static_cast<std::uint8_t>(in[2]), static_cast<std::uint8_t>(in[3])};
                std::memcpy(out, four, 4);
                out += 4;
                in += 4;
                continue;
            }
            const std::uint32_t c = *in++;
            if (c < 0x80) {
                *out++ = static_cast<std::uint8_t>(c);
            } else if (c < 0x800) {
                *out++ = static_cast<std::uint8_t>(0xC0 | c >> 6);
                *out++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
            } else {
                three(c);
                // Chinese text comes in runs: stay in the three-byte case while it lasts.
                while (in < end && *in >= 0x800) three(*in++);
            }
        }
        const auto written = static_cast<std::size_t>(out - buffer.data());
        return Trimmed(std::move(buffer), written);
    });
}

Text CodeTrans::UnicodeDecode(const ByteArray& bTemp, bool BigEndian) {
    return RunOperation(kSource, [&] {
        if (bTemp.empty()) return Text();
        // An incomplete last pair reads past the upper bound.
        if (bTemp.size() % 2 != 0) Fail(errors::kSubscriptOutOfRange);
        // The working buffer spans indices 0 to the upper bound; with a negative lower bound it is
        // smaller than the input, and writing past it is the same error.
        const std::int64_t upper = bTemp.UpperBound();
        const std::size_t capacity = upper < 0 ? 0 : static_cast<std::size_t>(upper) + 1;
        ByteBuffer buffer(capacity);
        std::uint8_t* out = buffer.data();
        std::uint8_t* const outEnd = out + capacity;
        const std::uint16_t* ansi = nullptr;

        const std::uint8_t* in = bTemp.data();
        const std::uint8_t* const end = in + bTemp.size();
        const int high = BigEndian ? 0 : 1;
        for (; in < end; in += 2) {
            const std::uint32_t c = static_cast<std::uint32_t>(in[high]) << 8 | in[1 - high];
            if (c <= 0xFF) {
                if (out == outEnd) Fail(errors::kSubscriptOutOfRange);
                *out++ = static_cast<std::uint8_t>(c);
                continue;
            }
            if (outEnd - out < 2) Fail(errors::kSubscriptOutOfRange);
            if (!ansi) ansi = AnsiCodeTable();
            const std::uint16_t code = ansi[c];
            *out++ = static_cast<std::uint8_t>(code & 0xFF);
            *out++ = static_cast<std::uint8_t>(code >> 8);
        }
        return DecodeAnsi(buffer, static_cast<std::size_t>(out - buffer.data()));
    });
}

ByteArray CodeTrans::UnicodeEncode(const Text& bTemp, bool BigEndian) {
    return RunOperation(kSource, [&] {
        const std::size_t n = bTemp.size();
        if (2 * static_cast<std::int64_t>(n) > kLargestInteger) Fail(errors::kOverflow);
        if (n == 0) return ByteArray();

        ByteBuffer buffer(2 * n);
        std::uint8_t* out = buffer.data();
        if (!BigEndian && std::endian::native == std::endian::little) {
            std::memcpy(out, bTemp.data(), 2 * n);  // the text's own storage already is little-endian
        } else {
            const int high = BigEndian ? 0 : 1;
            for (std::size_t k = 0; k < n; ++k, out += 2) {
                out[high] = static_cast<std::uint8_t>(bTemp[k] >> 8);
                out[1 - high] = static_cast<std::uint8_t>(bTemp[k] & 0xFF);
            }
        }
        return ByteArray(std::move(buffer));
    });
}

ByteArray CodeTrans::EncodeToBytes(Text sData) {
    return RunOperation(kSource, [&] {
        // The platform is given the text as a zero-terminated string: it ends at the first U+0000.
        const TextView text = TextView(sData).substr(0, sData.find(u'\0'));
        const std::string utf8 = EncodeText(CodePage::Utf8, text);
        return ByteArray(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
    });
}

ByteArray CodeTrans::DecodeToBytes(Text sData) {
    return RunOperation(kSource, [&] {
        // The storage bytes, low byte of each unit first, up to the first zero byte.
        std::string utf8;
        utf8.reserve(2 * sData.size());
        for (char16_t unit : sData) {
            const auto low = static_cast<char>(unit & 0xFF);
            const auto high = static_cast<char>(unit >> 8);
            if (low == '\0') break;
            utf8.push_back(low);
            if (high == '\0') break;
            utf8.push_back(high);
        }
        const Text text = DecodeText(CodePage::Utf8, utf8);
        if (text.empty()) return ByteArray();
        ByteBuffer bytes(2 * text.size());
        std::uint8_t* out = bytes.data();
        for (char16_t unit : text) {
            *out++ = static_cast<std::uint8_t>(unit & 0xFF);
            *out++ = static_cast<std::uint8_t>(unit >> 8);
        }
        return ByteArray(std::move(bytes));
    });
}

}  // namespace support
