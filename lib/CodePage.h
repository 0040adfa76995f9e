#pragma once
// The one place where text meets a code page: the system ANSI code page (GBK, 936, on the target
// systems) and UTF-8. Everything else in the library calls these two functions, so the classes
// stay free of <windows.h>; a native build supplies another implementation of this pair.
#include <string>
#include <string_view>

#include "lib/Text.h"

namespace support {

enum class CodePage {
    Ansi,  // the system ANSI code page
    Utf8,  // code page 65001
};

// The bytes of `text` in `page`, no terminating zero. A character the ANSI code page lacks becomes
// its default character ("?" for GBK); a lone surrogate becomes what the platform's UTF-8
// conversion makes of it. Embedded zeros are converted like any other character.
// Fails with error 6 when a length does not fit a 32-bit count.
std::string EncodeText(CodePage page, TextView text);

// The text that `bytes` give in `page`. Bytes that are no character of the code page are replaced
// the way the platform's conversion replaces them. Fails with error 6 like EncodeText.
Text DecodeText(CodePage page, std::string_view bytes);

}  // namespace support
