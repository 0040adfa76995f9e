#include "win/TextConversion.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "win/GrowBuffer.h"

namespace win {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds UTF-16 code units on Windows");

constexpr std::size_t kLargestCount = INT_MAX;

UINT ToWindows(CodePage page) noexcept { return page == CodePage::Utf8 ? CP_UTF8 : CP_ACP; }

// What a converter's 0 means: a buffer too small to hold the result (try again with more room), or
// a real failure, which leaves the result empty.
std::optional<std::size_t> Written(int count) noexcept {
    if (count > 0) return static_cast<std::size_t>(count);
    if (::GetLastError() == ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    return 0;
}

std::optional<std::string> EncodeUnits(CodePage page, const wchar_t* text, std::size_t length) {
    if (length == 0) return std::string();
    if (length > kLargestCount) return std::nullopt;
    const UINT cp = ToWindows(page);
    const int count = static_cast<int>(length);
    // A code unit takes at most two bytes in a double-byte code page and three in UTF-8, so the first
    // buffer is the one that fits; any other code page grows it.
    const std::size_t first = std::min(length * (page == CodePage::Utf8 ? 3 : 2), kLargestCount);
    auto bytes = GrowAndRetry<char>(
        [&](char* buffer, std::size_t capacity) {
            return Written(::WideCharToMultiByte(cp, 0, text, count, buffer, static_cast<int>(capacity), nullptr,
                                                 nullptr));
        },
        first, kLargestCount);
    // Flags 0 replace what cannot be converted: no bytes out of some text means a result too large to count.
    if (!bytes || bytes->empty()) return std::nullopt;
    return bytes;
}

}  // namespace

std::optional<std::string> Encode(CodePage page, std::wstring_view text) {
    return EncodeUnits(page, text.data(), text.size());
}

std::optional<std::string> Encode(CodePage page, std::u16string_view text) {
    return EncodeUnits(page, reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

template <typename Char>
std::optional<std::basic_string<Char>> Decode(CodePage page, std::string_view bytes, InvalidBytes invalid) {
    static_assert(sizeof(Char) == sizeof(wchar_t));
    if (bytes.empty()) return std::basic_string<Char>();
    if (bytes.size() > kLargestCount) return std::nullopt;
    const UINT cp = ToWindows(page);
    const DWORD flags = invalid == InvalidBytes::Fail ? MB_ERR_INVALID_CHARS : 0;
    const int count = static_cast<int>(bytes.size());
    // No byte gives more than one code unit in the ANSI code pages of the target systems or in UTF-8,
    // so one pass is enough.
    auto text = GrowAndRetry<Char>(
        [&](Char* buffer, std::size_t capacity) {
            return Written(::MultiByteToWideChar(cp, flags, bytes.data(), count, reinterpret_cast<wchar_t*>(buffer),
                                                 static_cast<int>(capacity)));
        },
        bytes.size(), kLargestCount);
    // Some bytes always give some text: none means the conversion failed.
    if (!text || text->empty()) return std::nullopt;
    return text;
}

template std::optional<std::wstring> Decode<wchar_t>(CodePage, std::string_view, InvalidBytes);
template std::optional<std::u16string> Decode<char16_t>(CodePage, std::string_view, InvalidBytes);

std::string ToAnsi(std::wstring_view text) { return Encode(CodePage::Ansi, text).value_or(std::string()); }

std::wstring FromAnsi(std::string_view bytes) { return Decode(CodePage::Ansi, bytes).value_or(std::wstring()); }

std::string ToUtf8(std::wstring_view text) { return Encode(CodePage::Utf8, text).value_or(std::string()); }

std::wstring FromUtf8(std::string_view bytes) { return Decode(CodePage::Utf8, bytes).value_or(std::wstring()); }

}  // namespace win
