#pragma once
// The checked-in workbooks of fixtures/, and cell values printed the way the stand-ins' call logs print them.
#include <oaidl.h>

#include <string>

#include "tests/support/TestFiles.h"

namespace standin_tests {

using testing_support::FixturePath;

// "BSTR:abc", "R8:1.5", "DATE:45292", "BOOL:true", "ERROR:2042", "EMPTY" (UTF-8).
std::string Typed(const VARIANT& value);

}  // namespace standin_tests
