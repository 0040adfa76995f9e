#include "tests/support/ErrorReport.h"

#include "tests/support/TestFiles.h"

namespace testing_support {

std::wstring ErrorReport::Line() const {
    if (number == 0) return L"no error";
    return std::to_wstring(number) + L" " + source + L": " + description;
}

void PrintTo(const ErrorReport& error, std::ostream* os) { *os << Utf8(error.Line()); }

}  // namespace testing_support
