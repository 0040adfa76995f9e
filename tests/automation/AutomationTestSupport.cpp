#include "tests/automation/AutomationTestSupport.h"

#include <cstdio>
#include <utility>

#include "tests/support/TestFiles.h"
#include "win/Bstr.h"
#include "win/SafeArray.h"
#include "win/UniqueResource.h"

namespace automation_tests {

std::wstring ServerDllPath() { return testing_support::BinFolder() + L"\\labelsupport.dll"; }

win::ComPtr<ITypeLib> LoadLibraryOfDll() {
    win::ComPtr<ITypeLib> library;
    EXPECT_EQ(::LoadTypeLibEx(ServerDllPath().c_str(), REGKIND_NONE, library.put()), S_OK);
    return library;
}

win::ComPtr<ITypeInfo> CoclassOf(ITypeLib* library, const wchar_t* name) {
    for (UINT i = 0; library && i < library->GetTypeInfoCount(); ++i) {
        TYPEKIND kind;
        win::Bstr found;
        if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
        library->GetDocumentation(static_cast<INT>(i), found.put(), nullptr, nullptr, nullptr);
        win::ComPtr<ITypeInfo> info;
        if (win::BstrText(found.get()) == name) library->GetTypeInfo(i, info.put());
        if (info) return info;
    }
    return {};
}

void RegisterThisBuild() {
    win::UniqueModule dll(::LoadLibraryW(ServerDllPath().c_str()));
    ASSERT_TRUE(dll) << "labelsupport.dll beside the test";
    auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(::GetProcAddress(dll.get(), "DllRegisterServer")));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), S_OK);
}

win::ComPtr<IDispatch> Create(const wchar_t* progId) {
    CLSID clsid;
    win::ComPtr<IDispatch> object;
    if (FAILED(::CLSIDFromProgID(progId, &clsid))) return object;
    ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.put_void());
    return object;
}

Outcome::Outcome(Outcome&& other) noexcept
    : hr(other.hr),
      result(std::move(other.result)),
      exception(std::exchange(other.exception, EXCEPINFO{})),
      argError(other.argError) {}

Outcome::~Outcome() {
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
}

std::wstring Outcome::Source() const {
    return exception.bstrSource ? std::wstring(exception.bstrSource, ::SysStringLen(exception.bstrSource)) : L"";
}

namespace {

Outcome InvokeWith(IDispatch* object, const wchar_t* name, std::vector<VARIANT> positional,
                   std::vector<std::pair<const wchar_t*, VARIANT>> named, WORD flags) {
    Outcome outcome;
    std::vector<LPOLESTR> names{const_cast<LPOLESTR>(name)};
    for (auto& [argument, value] : named) names.push_back(const_cast<LPOLESTR>(argument));
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    outcome.hr =
        object->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT, ids.data());
    if (FAILED(outcome.hr)) return outcome;

    // rgvarg: the named arguments first, then the positional ones last to first.
    std::vector<VARIANT> args;
    for (auto& [argument, value] : named) args.push_back(value);
    for (auto it = positional.rbegin(); it != positional.rend(); ++it) args.push_back(*it);
    DISPPARAMS params{args.empty() ? nullptr : args.data(), named.empty() ? nullptr : ids.data() + 1,
                      static_cast<UINT>(args.size()), static_cast<UINT>(named.size())};
    outcome.hr = object->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, outcome.result.put(),
                                &outcome.exception, &outcome.argError);
    return outcome;
}

}  // namespace

Outcome Invoke(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args, WORD flags) {
    return InvokeWith(object, name, std::move(args), {}, flags);
}

Outcome InvokeNamed(IDispatch* object, const wchar_t* name, std::vector<VARIANT> positional,
                    std::vector<std::pair<const wchar_t*, VARIANT>> named) {
    return InvokeWith(object, name, std::move(positional), std::move(named), DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

VARIANT RefTo(VARIANT& variable) {
    VARIANT ref;
    V_VT(&ref) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&ref) = &variable;
    return ref;
}

VARIANT Missing() {
    VARIANT missing;
    V_VT(&missing) = VT_ERROR;
    V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
    return missing;
}

void PrintTo(const Bytes& bytes, std::ostream* os) {
    *os << "[lb " << bytes.lower << "]";
    for (std::uint8_t b : bytes.values) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        *os << hex;
    }
}

std::optional<Bytes> BytesOf(SAFEARRAY* array) {
    VARTYPE type = VT_EMPTY;
    if (!array || FAILED(::SafeArrayGetVartype(array, &type)) || type != VT_UI1) return std::nullopt;
    win::SafeArrayLock lock(array);
    if (!lock.locked() || lock.dims() != 1) return std::nullopt;
    Bytes bytes;
    bytes.lower = lock.lower(1);
    const auto* data = static_cast<const std::uint8_t*>(array->pvData);
    bytes.values.assign(data, data + (lock.upper(1) - lock.lower(1) + 1));
    return bytes;
}

std::optional<Bytes> BytesOf(const VARIANT& value) {
    if (V_VT(&value) != (VT_ARRAY | VT_UI1)) return std::nullopt;
    return BytesOf(V_ARRAY(&value));
}

std::optional<std::wstring> TextOf(const VARIANT& value) {
    if (V_VT(&value) != VT_BSTR) return std::nullopt;
    return V_BSTR(&value) ? std::wstring(V_BSTR(&value), ::SysStringLen(V_BSTR(&value))) : std::wstring();
}

}  // namespace automation_tests
