#pragma once
// A run-time error as the tests look at it, however it was caught: the exception a support class
// raised, or the exception information an automation caller got back.
#include <ostream>
#include <string>

namespace testing_support {

struct ErrorReport {
    long number = 0;  // 0 when the call returned normally
    std::wstring source;
    std::wstring description;

    friend bool operator==(const ErrorReport&, const ErrorReport&) = default;
    // "6 LabelSupport.Radix: 溢出", or "no error".
    std::wstring Line() const;
};

void PrintTo(const ErrorReport& error, std::ostream* os);

}  // namespace testing_support
