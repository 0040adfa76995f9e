#pragma once
// What the stand-in tests share: the checked-in fixtures, values printed the way the call logs print
// them, and the failure an automation call raised.
#include <oaidl.h>

#include <string>

#include "standins/common/CallLog.h"
#include "tests/support/TestFiles.h"
#include "win/Dispatch.h"

namespace standin_tests {

using testing_support::FixturePath;

// "BSTR:abc", "R8:1.5", "DATE:45292", "BOOL:true", "ERROR:2042", "EMPTY" (UTF-8).
inline std::string Typed(const VARIANT& value) { return standin::TypedText(value); }
inline std::string Typed(const win::Variant& value) { return standin::TypedText(*value.get()); }

// A caller's wait for a busy server: counts the refusals and waits a little after each.
struct PatientCaller final : win::CallWatch {
    int refusals = 0;
    bool Refused(int n) noexcept override {
        refusals = n;
        ::Sleep(50);
        return true;
    }
};

// The failure an automation call raised: its code and description; S_OK when it succeeded.
struct Failure {
    HRESULT hr = S_OK;
    std::wstring description;

    bool Says(const std::wstring& part) const { return description.find(part) != std::wstring::npos; }
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

}  // namespace standin_tests
