#include "standins/common/DispatchObject.h"

#include <algorithm>

#include "standins/common/BusyFilter.h"
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
    for (UINT i = count; i-- > first;) ::VariantCopyInd(args_.emplace_back().put(), &params.rgvarg[i]);
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

bool CallArgs::AssignedLogical() const {
    auto value = win::ToInt32(*value_.get());
    if (!value) throw Fault{DISP_E_TYPEMISMATCH, L"A logical value (True or False) is expected."};
    return *value != 0;
}

DispatchObject::DispatchObject(const wchar_t* object, std::span<const Member> members)
    : object_(object), members_(members) {
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
    if (TurnAwayAsBusy()) return RPC_E_SERVERCALL_RETRYLATER;
    if (count) *count = 0;
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (TurnAwayAsBusy()) return RPC_E_SERVERCALL_RETRYLATER;
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (TurnAwayAsBusy()) return RPC_E_SERVERCALL_RETRYLATER;
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (const Member& m : members_)
        if (SameText(m.name, names[0])) ids[0] = m.id;
    // Named arguments are not supported.
    return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

namespace {

// What the scenario switches that name calls as Object.Member, in a list (see StandinConfig.h), do to
// one call:
//   DieAt        the server ends abruptly inside the call, as a crash ends it; the switch is cleared
//                first, so that the server started next lives
//   HangAt       the call never returns, as a call stuck behind a dialog nobody can see: it is logged
//                as "hung" and the server then answers nothing until its process is ended from
//                outside (LocalServer::Hang); one-shot, cleared first like DieAt. "Application.Create"
//                hangs the creation of the application object (see LocalServer.cpp)
//   FailMembers  the call fails with the server's usual error
struct CallScenario {
    bool fails = false;
    bool hangs = false;
};

CallScenario ScenarioOf(const ServerInfo& server, const std::wstring& call) {
    if (TakeListed(server.configName, L"DieAt", call)) LocalServer::Crash(3);
    CallScenario scenario;
    scenario.hangs = TakeListed(server.configName, L"HangAt", call);
    scenario.fails = Listed(ConfigString(server.configName, L"FailMembers"), call);
    return scenario;
}

// SlowAt: the call takes SlowMs milliseconds (at most a minute) before it does its work, and then
// returns, as a large workbook or a slow printer driver makes the real servers take their time.
void ScenarioDelay(const ServerInfo& server, const std::wstring& call) {
    if (Listed(ConfigString(server.configName, L"SlowAt"), call))
        ::Sleep(std::min<DWORD>(ConfigDword(server.configName, L"SlowMs"), 60000));
}

}  // namespace

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* info, UINT*) {
    const Member* member = nullptr;
    for (const Member& m : members_)
        if (m.id == id) member = &m;
    if (TurnAwayAsBusy()) return RPC_E_SERVERCALL_RETRYLATER;
    if (!member) return DISP_E_MEMBERNOTFOUND;
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS none{};
    if (!params) params = &none;
    if (params->cNamedArgs > (put ? 1u : 0u)) return DISP_E_NONAMEDARGS;

    // Read before the call's time starts: the switches are no work of the application's.
    const ServerInfo& server = LocalServer::Info();
    const std::wstring call = std::wstring(object_) + L"." + member->name;
    CallScenario scenario = ScenarioOf(server, call);

    CallRecord record;
    record.object = object_;
    record.member = member->name;
    record.kind = put ? "put" : member->kind == MemberKind::Method ? "call" : "get";
    CallArgs args(*params, put);
    for (size_t i = 0; i < args.size(); ++i) record.args.push_back(TypedText(args[i]));
    if (put) record.args.push_back(TypedText(args.value()));
    record.t0 = NowMicroseconds();
    if (scenario.hangs) {
        // Logged as it starts, so a test sees that the call arrived.
        record.kind = "hung";
        record.hr = E_PENDING;
        record.error = L"never returns (scenario HangAt)";
        record.t1 = record.t0;
        LogCall(server.configName, record);
        LocalServer::Hang();
    }
    ScenarioDelay(server, call);
    win::Variant local;
    VARIANT* out = result ? result : local.get();
    ::VariantInit(out);
    try {
        if (scenario.fails)
            throw Fault{server.error, L"Application-defined or object-defined error (scenario FailMembers)"};
        if (put && member->kind != MemberKind::Writable) throw Fault{DISP_E_MEMBERNOTFOUND, L"This property is read-only."};
        OnCall(member->id, put, args, out);
    } catch (const Fault& fault) {
        record.hr = fault.hr;
        record.error = fault.description;
    } catch (...) {
        record.hr = E_UNEXPECTED;
    }
    record.t1 = NowMicroseconds();
    if (SUCCEEDED(record.hr) && !put) record.result = TypedText(*out);
    LogCall(server.configName, record);
    BusyAfterCall(call);

    if (SUCCEEDED(record.hr)) return S_OK;
    ::VariantClear(out);
    if (info) {
        *info = EXCEPINFO{};
        info->scode = record.hr;
        info->bstrSource = ::SysAllocString(server.configName);
        info->bstrDescription = ::SysAllocString(record.error.c_str());
    }
    return DISP_E_EXCEPTION;
}

void SetNewObjectResult(VARIANT* result, IDispatch* created) {
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = created;
}

void SetTextResult(VARIANT* result, const std::wstring& text) {
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void SetBoolResult(VARIANT* result, bool value) {
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetLongResult(VARIANT* result, long value) {
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

void LogicalProperty(bool& flag, bool put, const CallArgs& args, VARIANT* result) {
    if (put) flag = args.AssignedLogical();
    else SetBoolResult(result, flag);
}

}  // namespace standin
