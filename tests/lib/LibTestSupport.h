#pragma once
// Shared by the support-library tests: readable byte arrays in failure messages and the run-time
// error an operation raised, as the automation tests see the errors callers get.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <utility>

#include "lib/ByteArray.h"
#include "lib/RuntimeError.h"
#include "tests/support/ErrorReport.h"

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

// The error `operation` raised; number 0 when it returned normally.
template <typename Operation>
testing_support::ErrorReport ErrorOf(Operation&& operation) {
    auto wide = [](const support::Text& text) { return std::wstring(text.begin(), text.end()); };
    try {
        std::forward<Operation>(operation)();
    } catch (const support::RuntimeError& e) {
        return {e.Number(), wide(e.Source()), wide(e.Description())};
    }
    return {};
}

}  // namespace lib_tests
