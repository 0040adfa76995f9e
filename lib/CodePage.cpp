// The Win32 implementation of the code-page pair: WideCharToMultiByte / MultiByteToWideChar with
// flags 0, the platform's default conversion.
#include "lib/CodePage.h"

#include <windows.h>

#include <climits>
#include <memory>

#include "lib/RuntimeError.h"

namespace support {

namespace {

UINT ToWindows(CodePage page) noexcept { return page == CodePage::Utf8 ? CP_UTF8 : CP_ACP; }

int CheckedLength(std::size_t length) {
    if (length > static_cast<std::size_t>(INT_MAX)) throw RuntimeError(errors::kOverflow);
    return static_cast<int>(length);
}

// wchar_t is 16 bits on Windows, so the library's text is the platform's text.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
const wchar_t* Wide(const char16_t* p) noexcept { return reinterpret_cast<const wchar_t*>(p); }

}  // namespace

std::string EncodeText(CodePage page, TextView text) {
    if (text.empty()) return {};
    const UINT cp = ToWindows(page);
    const int length = CheckedLength(text.size());
    const int size = ::WideCharToMultiByte(cp, 0, Wide(text.data()), length, nullptr, 0, nullptr, nullptr);
    // Flags 0 replace what cannot be converted, so 0 here means a result too large to count.
    if (size <= 0) throw RuntimeError(errors::kOverflow);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const int written = ::WideCharToMultiByte(cp, 0, Wide(text.data()), length, bytes.data(), size, nullptr, nullptr);
    if (written <= 0) throw RuntimeError(errors::kOverflow);
    bytes.resize(static_cast<std::size_t>(written));
    return bytes;
}

Text DecodeText(CodePage page, std::string_view bytes) {
    if (bytes.empty()) return {};
    const UINT cp = ToWindows(page);
    const int length = CheckedLength(bytes.size());
    // Neither GBK nor UTF-8 gives more code units than bytes, so one pass into a buffer of that
    // size is enough; the size query is the fallback for any other ANSI code page. The buffer is
    // left uninitialised and the text copied out at its exact length.
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[bytes.size()]);
    int written = ::MultiByteToWideChar(cp, 0, bytes.data(), length, buffer.get(), length);
    if (written <= 0) {
        const int size = ::MultiByteToWideChar(cp, 0, bytes.data(), length, nullptr, 0);
        if (size <= 0) throw RuntimeError(errors::kOverflow);
        buffer.reset(new wchar_t[static_cast<std::size_t>(size)]);
        written = ::MultiByteToWideChar(cp, 0, bytes.data(), length, buffer.get(), size);
        if (written <= 0) throw RuntimeError(errors::kOverflow);
    }
    return Text(reinterpret_cast<const char16_t*>(buffer.get()), static_cast<std::size_t>(written));
}

}  // namespace support
