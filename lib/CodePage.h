#pragma once
// The library's text in a code page, over the program's one text conversion (win/TextConversion.h),
// with the run-time error the library's operations raise: error 6 when a length does not fit a
// 32-bit count. Everything else in the library calls these two functions.
#include <string>
#include <string_view>

#include "lib/Text.h"
#include "win/TextConversion.h"

namespace support {

using win::CodePage;

// The bytes of `text` in `page`, no terminating zero, as win::Encode gives them.
std::string EncodeText(CodePage page, TextView text);

// The text that `bytes` give in `page`; bytes that are no character of the code page are replaced
// the way the platform's conversion replaces them.
Text DecodeText(CodePage page, std::string_view bytes);

}  // namespace support
