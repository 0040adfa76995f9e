#include "tests/standins/Fixtures.h"

#include "standins/common/CallLog.h"

namespace standin_tests {

std::string Typed(const VARIANT& value) { return standin::TypedText(value); }

}  // namespace standin_tests
