#pragma once
// Shared by the tests of labelsupport.dll: the DLL beside the test executable, calls through
// IDispatch by name, and the byte arrays and texts the calls return.
#include <oaidl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "win/ComPtr.h"
#include "win/Variant.h"

namespace automation_tests {

// The interface ids callers rely on.
inline constexpr IID kRadixIid = {0x0B2EE0B7, 0xBC4C, 0x47B4, {0x83, 0x36, 0x34, 0x16, 0x11, 0xC9, 0xCD, 0xB0}};

std::wstring ServerDllPath();
// The type library inside the DLL, read without registration, and a coclass of it by name.
win::ComPtr<ITypeLib> LoadLibraryOfDll();
win::ComPtr<ITypeInfo> CoclassOf(ITypeLib* library, const wchar_t* name);

// Makes sure this build's DLL is the one registered in the prefix (regsvr32's call).
void RegisterThisBuild();

// Creates an object by class name, as CreateObject does.
win::ComPtr<IDispatch> Create(const wchar_t* progId);

// One IDispatch::Invoke by member name, its arguments in natural order (not owned: by-reference
// arguments point at the test's own variables).
struct Outcome {
    HRESULT hr = E_FAIL;
    win::Variant result;
    EXCEPINFO exception{};
    UINT argError = ~0u;

    Outcome() = default;
    Outcome(Outcome&& other) noexcept;
    Outcome& operator=(Outcome&&) = delete;
    ~Outcome();
    std::wstring Source() const;
};
Outcome Invoke(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args,
               WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET);
// The same with named arguments: `names` name the last args.size() - positional ones.
Outcome InvokeNamed(IDispatch* object, const wchar_t* name, std::vector<VARIANT> positional,
                    std::vector<std::pair<const wchar_t*, VARIANT>> named);

// Arguments as a script engine passes them.
VARIANT RefTo(VARIANT& variable);  // VT_BYREF|VT_VARIANT, a script's variable
VARIANT Missing();                 // an optional argument left out

// A run-time error as it reaches a caller: MAKE_HRESULT(1, FACILITY_CONTROL, number).
constexpr HRESULT RuntimeErrorCode(int number) {
    return static_cast<HRESULT>(0x800A0000u | static_cast<unsigned>(number));
}

// Byte arrays with their bounds.
struct Bytes {
    LONG lower = 0;
    std::vector<std::uint8_t> values;
    friend bool operator==(const Bytes&, const Bytes&) = default;
};
void PrintTo(const Bytes& bytes, std::ostream* os);

// The bytes a VT_ARRAY|VT_UI1 value holds; nullopt for anything else.
std::optional<Bytes> BytesOf(const VARIANT& value);
std::optional<Bytes> BytesOf(SAFEARRAY* array);
// The text of a VT_BSTR value; nullopt for anything else.
std::optional<std::wstring> TextOf(const VARIANT& value);

}  // namespace automation_tests
