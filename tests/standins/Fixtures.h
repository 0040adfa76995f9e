#pragma once
// The checked-in workbooks of fixtures/, cell values printed the way the stand-ins' call logs print
// them, and the failures automation calls raise.
#include <oaidl.h>

#include <string>

#include "tests/support/TestFiles.h"
#include "win/Dispatch.h"

namespace standin_tests {

using testing_support::FixturePath;

// "BSTR:abc", "R8:1.5", "DATE:45292", "BOOL:true", "ERROR:2042", "EMPTY" (UTF-8).
std::string Typed(const VARIANT& value);

// The failure an automation call raised: its code and description; S_OK when it succeeded.
struct Failure {
    HRESULT hr = S_OK;
    std::wstring description;
};

template <typename F>
Failure FailureOf(F&& call) {
    try {
        call();
    } catch (const win::ComError& e) {
        return {e.hr(), e.description()};
    }
    return {};
}

inline bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

}  // namespace standin_tests
