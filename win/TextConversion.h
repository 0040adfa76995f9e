#pragma once
// Text between the program's UTF-16 and bytes in a code page: the system ANSI code page (GBK, 936,
// on the target systems) and UTF-8. The one place that calls the platform's converters; the
// buffers they fill go through GrowAndRetry.
//
// UTF-16 comes as wchar_t (the Windows API's text) or as char16_t (the support library's text,
// which is kept free of wchar_t); both hold the same 16-bit code units.
#include <optional>
#include <string>
#include <string_view>

namespace win {

enum class CodePage {
    Ansi,  // the system ANSI code page
    Utf8,  // code page 65001
};

// Bytes that are no character of the code page: replaced the way the platform replaces them, or a
// failure of the whole conversion.
enum class InvalidBytes { Replace, Fail };

// The bytes of `text` in `page`, no terminating zero. A character the ANSI code page lacks becomes
// its default character ("?" for GBK); a lone surrogate becomes what the platform's UTF-8
// conversion makes of it; embedded zeros are converted like any other character. nullopt when a
// length does not fit the platform's 32-bit count. Running out of memory throws std::bad_alloc.
std::optional<std::string> Encode(CodePage page, std::wstring_view text);
std::optional<std::string> Encode(CodePage page, std::u16string_view text);

// The text that `bytes` give in `page`. nullopt when a length does not fit a 32-bit count, and,
// with InvalidBytes::Fail, when the bytes are not all characters of the code page.
template <typename Char = wchar_t>
std::optional<std::basic_string<Char>> Decode(CodePage page, std::string_view bytes,
                                              InvalidBytes invalid = InvalidBytes::Replace);
extern template std::optional<std::wstring> Decode<wchar_t>(CodePage, std::string_view, InvalidBytes);
extern template std::optional<std::u16string> Decode<char16_t>(CodePage, std::string_view, InvalidBytes);

// At the boundaries where a failed conversion can only mean nothing to convert: the empty result.
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view bytes);
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view bytes);

}  // namespace win
