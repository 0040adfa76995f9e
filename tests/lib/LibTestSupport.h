#pragma once
// Shared by the support-library tests: readable byte arrays in failure messages and a way to look
// at the run-time error an operation raised.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <utility>

#include "lib/ByteArray.h"
#include "lib/RuntimeError.h"

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
support::RuntimeError ErrorOf(Operation&& operation) {
    try {
        std::forward<Operation>(operation)();
    } catch (const support::RuntimeError& e) {
        return e;
    }
    return support::RuntimeError(0, u"", u"(no error)");
}

}  // namespace lib_tests
