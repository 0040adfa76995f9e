#include "lib/AnsiCodes.h"

#include <memory>
#include <string>

#include "lib/CodePage.h"
#include "lib/Text.h"

namespace support {

namespace {

constexpr std::size_t kUnits = 0x10000;

std::uint16_t Pack(const char* form, std::size_t length) {
    std::uint16_t code = static_cast<unsigned char>(form[0]);
    if (length > 1) code = static_cast<std::uint16_t>(code | static_cast<unsigned char>(form[1]) << 8);
    return code;
}

// Every unit followed by U+0000 in one text: the zero keeps two surrogates from pairing up and
// marks where each unit's form ends, since no multi-byte form of an ANSI code page holds a zero
// byte. Returns false when the result does not split into exactly one form per unit.
bool FillInOneBatch(std::uint16_t* table) {
    Text all(2 * kUnits, u'\0');
    for (std::size_t unit = 0; unit < kUnits; ++unit) all[2 * unit] = static_cast<char16_t>(unit);
    const std::string bytes = EncodeText(CodePage::Ansi, all);

    std::size_t pos = 0;
    // U+0000 itself is the one-byte form 00, then its separator.
    if (bytes.size() < 2 || bytes[0] != '\0' || bytes[1] != '\0') return false;
    table[0] = 0;
    pos = 2;
    for (std::size_t unit = 1; unit < kUnits; ++unit) {
        const std::size_t end = bytes.find('\0', pos);
        if (end == std::string::npos || end == pos) return false;
        table[unit] = Pack(bytes.data() + pos, end - pos);
        pos = end + 1;
    }
    return pos == bytes.size();
}

void FillOneByOne(std::uint16_t* table) {
    for (std::size_t unit = 0; unit < kUnits; ++unit) {
        const char16_t one = static_cast<char16_t>(unit);
        const std::string form = EncodeText(CodePage::Ansi, TextView(&one, 1));
        table[unit] = form.empty() ? 0 : Pack(form.data(), form.size());
    }
}

std::unique_ptr<std::uint16_t[]> BuildTable() {
    auto table = std::make_unique<std::uint16_t[]>(kUnits);
    if (!FillInOneBatch(table.get())) FillOneByOne(table.get());
    return table;
}

}  // namespace

const std::uint16_t* AnsiCodeTable() {
    static const std::unique_ptr<std::uint16_t[]> table = BuildTable();
    return table.get();
}

}  // namespace support
