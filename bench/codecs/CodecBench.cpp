// Throughput of CodeTrans's hand-made codecs against the platform's converters doing the same job,
// on 64 MiB (as UTF-16) of mixed ASCII and Chinese text. Each figure is the best of a few runs;
// MB/s counts the input bytes of the operation (1 MB = 2^20 bytes). A ratio above 1 means the
// library is faster.
//
//   Unicode8Encode  vs WideCharToMultiByte(CP_UTF8)
//   Unicode8Decode  vs MultiByteToWideChar(CP_UTF8), WideCharToMultiByte(CP_ACP) and
//                   MultiByteToWideChar(CP_ACP): the same text, limited to what the ANSI code page
//                   holds; and, on a second line, vs the first two of these alone
//   UnicodeEncode   vs copying the text's storage (it already is UTF-16 little-endian)
//   UnicodeDecode   vs WideCharToMultiByte(CP_ACP) and MultiByteToWideChar(CP_ACP)
//
// Every result is compared with the platform's before it counts.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "lib/ByteArray.h"
#include "lib/CodeTrans.h"
#include "lib/RuntimeError.h"

using support::ByteArray;
using support::CodeTrans;
using support::Text;

namespace {

constexpr std::size_t kTextBytes = 64u << 20;
constexpr int kRuns = 3;
constexpr double kMiB = 1024.0 * 1024.0;

// Lines of ASCII words and runs of common Chinese characters (all in GBK), deterministic.
Text MixedText() {
    static const char16_t* const kWords[] = {u"Label ", u"No.", u"1024 ", u"print ", u"ITEM-", u"OK ", u"\r\n",
                                             u"qty=", u"A4 ", u"(x) "};
    Text text;
    text.reserve(kTextBytes / 2 + 64);
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    while (text.size() < kTextBytes / 2) {
        if (next() % 2 == 0) {
            for (int k = 0, n = 1 + next() % 4; k < n; ++k) text += kWords[next() % 10];
        } else {
            for (int k = 0, n = 2 + next() % 12; k < n; ++k) text += static_cast<char16_t>(0x4E00 + next() % 0x51A6);
        }
    }
    text.resize(kTextBytes / 2);
    return text;
}

double BestSeconds(const std::function<void()>& job) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        job();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best) best = took.count();
    }
    return best;
}

const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.data()); }

// Into a buffer of the largest size, then copied out at the exact size.
std::string ToUtf8(const Text& text) {
    std::unique_ptr<char[]> buffer(new char[3 * text.size()]);
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, Wide(text), static_cast<int>(text.size()), buffer.get(),
                                        static_cast<int>(3 * text.size()), nullptr, nullptr);
    return std::string(buffer.get(), static_cast<std::size_t>(n));
}

// Size first, then straight into a string of that size.
std::string ToUtf8Measured(const Text& text) {
    const int length = static_cast<int>(text.size());
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, Wide(text), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, Wide(text), length, bytes.data(), n, nullptr, nullptr);
    return bytes;
}

std::wstring FromCodePage(UINT cp, const char* bytes, std::size_t size) {
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[size]);
    const int n = ::MultiByteToWideChar(cp, 0, bytes, static_cast<int>(size), buffer.get(), static_cast<int>(size));
    return std::wstring(buffer.get(), static_cast<std::size_t>(n));
}

std::string ToAnsi(const wchar_t* text, std::size_t size) {
    std::unique_ptr<char[]> buffer(new char[2 * size]);
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(size), buffer.get(),
                                        static_cast<int>(2 * size), nullptr, nullptr);
    return std::string(buffer.get(), static_cast<std::size_t>(n));
}

bool Same(const ByteArray& ours, const std::string& theirs) {
    return ours.size() == theirs.size() && std::memcmp(ours.data(), theirs.data(), theirs.size()) == 0;
}
bool Same(const Text& ours, const std::wstring& theirs) {
    return ours.size() == theirs.size() && std::memcmp(ours.data(), theirs.data(), 2 * theirs.size()) == 0;
}

struct Row {
    const char* name;
    const char* platform;
    double inputBytes;
    double ours;
    double theirs;
    bool same;
};

void Print(const Row& row) {
    std::printf("%-15s %9.1f MB/s   platform %-31s %9.1f MB/s   ratio %5.2fx%s\n", row.name,
                row.inputBytes / kMiB / row.ours, row.platform, row.inputBytes / kMiB / row.theirs,
                row.theirs / row.ours, row.same ? "" : "   RESULTS DIFFER");
}

}  // namespace

int wmain() {
    try {
        CodeTrans codec;
        const Text text = MixedText();
        const std::string utf8 = ToUtf8(text);
        const ByteArray utf8Array(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
        const ByteArray utf16Array = codec.UnicodeEncode(text);
        std::printf("text: %zu code units (%.0f MiB as UTF-16, %.1f MiB as UTF-8), ANSI code page %u\n\n",
                    text.size(), 2.0 * text.size() / kMiB, utf8.size() / kMiB, ::GetACP());

        // Warm-up: the first decode builds the ANSI table once for the process.
        (void)codec.Unicode8Decode(ByteArray{0xE6, 0x89, 0x93});

        ByteArray encoded;
        std::string platformUtf8;
        // The platform is given the faster of two ways to size its result.
        Row encode{"Unicode8Encode", "WideCharToMultiByte(UTF-8)", 2.0 * text.size(),
                   BestSeconds([&] { encoded = codec.Unicode8Encode(text); }),
                   std::min(BestSeconds([&] { platformUtf8 = ToUtf8(text); }),
                            BestSeconds([&] { platformUtf8 = ToUtf8Measured(text); })),
                   false};
        encode.same = Same(encoded, platformUtf8);
        encoded = ByteArray();

        Text decoded;
        std::wstring platformText;
        Row decode{"Unicode8Decode", "MBtoWC(UTF-8),WCtoMB,MBtoWC(ACP)", static_cast<double>(utf8.size()),
                   BestSeconds([&] { decoded = codec.Unicode8Decode(utf8Array); }),
                   BestSeconds([&] {
                       const std::wstring wide = FromCodePage(CP_UTF8, utf8.data(), utf8.size());
                       const std::string ansi = ToAnsi(wide.data(), wide.size());
                       platformText = FromCodePage(CP_ACP, ansi.data(), ansi.size());
                   }),
                   false};
        decode.same = Same(decoded, platformText) && decoded == text;

        // The platform's first two steps alone, which stop at the ANSI bytes short of a text.
        std::string platformAnsi;
        Row decodeToAnsi{"Unicode8Decode", "MBtoWC(UTF-8),WCtoMB(ACP) only", static_cast<double>(utf8.size()),
                         decode.ours,
                         BestSeconds([&] {
                             const std::wstring wide = FromCodePage(CP_UTF8, utf8.data(), utf8.size());
                             platformAnsi = ToAnsi(wide.data(), wide.size());
                         }),
                         true};

        ByteArray utf16;
        std::string platformUtf16;
        Row encode16{"UnicodeEncode", "copy of the UTF-16 storage", 2.0 * text.size(),
                     BestSeconds([&] { utf16 = codec.UnicodeEncode(text); }),
                     BestSeconds([&] {
                         platformUtf16 = std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size());
                     }),
                     false};
        encode16.same = Same(utf16, platformUtf16);

        Row decode16{"UnicodeDecode", "WCtoMB(ACP), MBtoWC(ACP)", 2.0 * text.size(),
                     BestSeconds([&] { decoded = codec.UnicodeDecode(utf16Array); }),
                     BestSeconds([&] {
                         const std::string ansi = ToAnsi(Wide(text), text.size());
                         platformText = FromCodePage(CP_ACP, ansi.data(), ansi.size());
                     }),
                     false};
        decode16.same = Same(decoded, platformText) && decoded == text;

        for (const Row& row : {encode, decode, decodeToAnsi, encode16, decode16}) Print(row);
        return encode.same && decode.same && encode16.same && decode16.same ? 0 : 1;
    } catch (const support::RuntimeError& e) {
        std::printf("run-time error %d\n", e.Number());
        return 2;
    }
}
