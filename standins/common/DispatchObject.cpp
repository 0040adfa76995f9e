#include "standins/common/DispatchObject.h"

#include <cstdio>

#include "standins/common/CallLog.h"
#include "standins/common/LocalServer.h"
#include "standins/common/StandinConfig.h"

namespace standin {

CallArgs::CallArgs(const DISPPARAMS& params, bool isPut) {
    UINT count = params.cArgs;
    // rgvarg holds the arguments last to first; a put's value is the named DISPID_PROPERTYPUT one at index 0.
    UINT first = 0;
    if (isPut && count > 0) {
        ::VariantCopyInd(value_.put(), &params.rgvarg[0]);
        first = 1;
    }
    for (UINT i = count; i-- > first;) {
        win::Variant arg;
        ::VariantCopyInd(arg.put(), &params.rgvarg[i]);
        args_.push_back(std::move(arg));
    }
}

std::wstring CallArgs::Text(size_t i) const {
    if (!has(i)) throw Fault{DISP_E_PARAMNOTFOUND, L"argument missing"};
    auto text = win::ToText((*this)[i]);
    if (!text) throw Fault{DISP_E_TYPEMISMATCH, L"argument is not text"};
    return *text;
}

long CallArgs::Long(size_t i) const {
    if (!has(i)) throw Fault{DISP_E_PARAMNOTFOUND, L"argument missing"};
    auto n = win::ToInt32((*this)[i]);
    if (!n) throw Fault{DISP_E_TYPEMISMATCH, L"argument is not a number"};
    return *n;
}

bool CallArgs::Bool(size_t i) const { return Long(i) != 0; }

DispatchObject::DispatchObject(std::wstring server, std::wstring object, std::vector<Member> members)
    : server_(std::move(server)), object_(std::move(object)), members_(std::move(members)) {
    LocalServer::Lock();
}

DispatchObject::~DispatchObject() { LocalServer::Unlock(); }

HRESULT DispatchObject::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() { return ++refs_; }

ULONG DispatchObject::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (const Member& m : members_) {
        if (m.name && ::lstrcmpiW(m.name, names[0]) == 0) {
            ids[0] = m.id;
            break;
        }
    }
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    // Named arguments are not supported.
    if (count > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
}

const Member* DispatchObject::Find(DISPID id) const {
    for (const Member& m : members_)
        if (m.id == id) return &m;
    return nullptr;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* info, UINT*) {
    const Member* member = Find(id);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    // The switch "DieAt" names calls (Object.Member) inside which the server ends abruptly, as a crash
    // ends it; it is cleared first, so the server started next lives.
    std::wstring dieAt = ConfigString(server_, L"DieAt");
    if (!dieAt.empty() && Listed(dieAt, object_ + L"." + member->name)) {
        ClearConfig(server_, L"DieAt");
        LocalServer::Crash(3);
    }
    bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS none{};
    if (!params) params = &none;
    if (params->cNamedArgs > (isPut ? 1u : 0u)) return DISP_E_NONAMEDARGS;

    long long t0 = NowMicroseconds();
    CallArgs args(*params, isPut);
    win::Variant local;
    VARIANT* out = result ? result : local.get();
    ::VariantInit(out);
    HRESULT hr = S_OK;
    std::wstring description;
    try {
        OnCall(id, flags, args, out);
    } catch (const Fault& fault) {
        hr = fault.hr;
        description = fault.description;
    } catch (...) {
        hr = E_UNEXPECTED;
    }
    long long t1 = NowMicroseconds();

    std::string line = "{\"server\":" + JsonString(server_) + ",\"object\":" + JsonString(object_) +
                       ",\"member\":" + JsonString(member->name) + ",\"kind\":\"" +
                       (isPut ? "put" : member->property ? "get" : "call") + "\",\"args\":[";
    for (size_t i = 0; i < args.size(); ++i) line += (i ? "," : "") + JsonUtf8(TypedText(args[i]));
    if (isPut) line += (args.size() ? "," : "") + JsonUtf8(TypedText(args.value()));
    char hrText[16];
    std::snprintf(hrText, sizeof(hrText), "0x%08lX", static_cast<unsigned long>(hr));
    line += "],\"result\":" + JsonUtf8(FAILED(hr) || isPut ? std::string() : TypedText(*out)) + ",\"hr\":\"" + hrText +
            "\",\"error\":" + JsonString(description) + ",\"t0\":" + std::to_string(t0) + ",\"t1\":" + std::to_string(t1) + "}";
    AppendLogLine(server_, line);

    if (FAILED(hr)) {
        ::VariantClear(out);
        if (info) {
            *info = EXCEPINFO{};
            info->scode = hr;
            info->bstrSource = ::SysAllocString(server_.c_str());
            info->bstrDescription = ::SysAllocString(description.c_str());
        }
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}

void SetObjectResult(VARIANT* result, IDispatch* obj) {
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = obj;
    if (obj) obj->AddRef();
}

void SetTextResult(VARIANT* result, const std::wstring& text) {
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void SetNewObjectResult(VARIANT* result, IDispatch* created) {
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = created;
}

void SetBoolResult(VARIANT* result, bool value) {
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetLongResult(VARIANT* result, long value) {
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

bool AssignedLogical(const CallArgs& args) {
    auto value = win::ToInt32(args.value());
    if (!value) throw Fault{DISP_E_TYPEMISMATCH, L"A logical value (True or False) is expected."};
    return *value != 0;
}

}  // namespace standin
