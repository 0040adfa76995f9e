#pragma once
// Shared by the support-library tests: readable byte arrays in failure messages and the run-time
// error an operation raised.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <utility>

#include "lib/ByteArray.h"
#include "lib/RuntimeError.h"
#include "tests/support/TestFiles.h"

namespace support {

// "[lb 0] 61 62 63"
inline void PrintTo(const ByteArray& bytes, std::ostream* os) {
    *os << "[lb " << bytes.LowerBound() << "]";
    for (std::uint8_t b : bytes.Bytes()) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        *os << hex;
    }
}

}  // namespace support

namespace lib_tests {

struct ErrorReport {
    long number = 0;  // 0 when the operation returned normally
    std::wstring source;
    std::wstring description;

    // "6 LabelSupport.Radix: 溢出", or "no error".
    std::wstring Line() const {
        return number == 0 ? L"no error" : std::to_wstring(number) + L" " + source + L": " + description;
    }
    friend void PrintTo(const ErrorReport& error, std::ostream* os) { *os << testing_support::Utf8(error.Line()); }
};

// The error `operation` raised.
template <typename Operation>
ErrorReport ErrorOf(Operation&& operation) {
    auto wide = [](const support::Text& text) { return std::wstring(text.begin(), text.end()); };
    try {
        std::forward<Operation>(operation)();
    } catch (const support::RuntimeError& e) {
        return {e.Number(), wide(e.Source()), wide(e.Description())};
    }
    return {};
}

}  // namespace lib_tests
