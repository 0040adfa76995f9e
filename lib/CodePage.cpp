#include "lib/CodePage.h"

#include "lib/RuntimeError.h"

namespace support {

std::string EncodeText(CodePage page, TextView text) {
    std::optional<std::string> bytes = win::Encode(page, text);
    if (!bytes) Fail(errors::kOverflow);
    return std::move(*bytes);
}

Text DecodeText(CodePage page, std::string_view bytes) {
    std::optional<Text> text = win::Decode<char16_t>(page, bytes);
    if (!text) Fail(errors::kOverflow);
    return std::move(*text);
}

}  // namespace support
