#pragma once
// The ANSI form of single UTF-16 code units, looked up in a table instead of converted one call at
// a time: the per-character step of the decoders and of the character codes.
#include <cstdint>

namespace support {

// The ANSI code of every code unit 0 to 0xFFFF: the unit's form in the system ANSI code page
// (a unit the code page lacks, a lone surrogate among them, takes the default character's form),
// first byte in the low 8 bits and second byte in the high 8 bits. A one-byte form has a high byte
// of 0; a longer form (only an ANSI code page of UTF-8 has those) keeps its first two bytes.
// Built on first use in one batch conversion, which gives the same forms as converting each unit
// on its own; safe to call from several threads.
const std::uint16_t* AnsiCodeTable();

inline std::uint16_t AnsiCode(char16_t unit) { return AnsiCodeTable()[unit]; }

}  // namespace support
