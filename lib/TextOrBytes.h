#pragma once
// A value that holds either a text or a byte array and says which: the variant results of the
// conversion class (and the one variant argument it takes).
#include <utility>
#include <variant>

#include "lib/ByteArray.h"
#include "lib/RuntimeError.h"
#include "lib/Text.h"

namespace support {

class TextOrBytes {
public:
    TextOrBytes() = default;  // an empty text
    TextOrBytes(Text text) : value_(std::move(text)) {}
    TextOrBytes(ByteArray bytes) : value_(std::move(bytes)) {}

    bool IsText() const noexcept { return std::holds_alternative<Text>(value_); }
    bool IsBytes() const noexcept { return std::holds_alternative<ByteArray>(value_); }

    // The held value; asking for the other kind fails with error 13 (type mismatch).
    const Text& AsText() const {
        if (const Text* text = std::get_if<Text>(&value_)) return *text;
        Fail(errors::kTypeMismatch);
    }
    const ByteArray& AsBytes() const {
        if (const ByteArray* bytes = std::get_if<ByteArray>(&value_)) return *bytes;
        Fail(errors::kTypeMismatch);
    }

private:
    std::variant<Text, ByteArray> value_;
};

}  // namespace support
