#include "win/Dispatch.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "win/Bstr.h"

namespace win {

ComError::ComError(HRESULT hr, std::wstring description) : hr_(hr), description_(std::move(description)) {
    std::snprintf(what_, sizeof(what_), "automation call failed (0x%08lX)", static_cast<unsigned long>(hr));
}

void Check(HRESULT hr) {
    if (FAILED(hr)) throw ComError(hr);
}

bool IsServerBusy(HRESULT hr) noexcept { return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER; }

bool IsServerGone(HRESULT hr) noexcept {
    switch (static_cast<unsigned long>(hr)) {
        case 0x800706BA:  // HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE)
        case 0x800706BE:  // HRESULT_FROM_WIN32(RPC_S_CALL_FAILED)
        case 0x800706BF:  // HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE)
        case 0x8007006D:  // HRESULT_FROM_WIN32(ERROR_BROKEN_PIPE)
        case static_cast<unsigned long>(RPC_E_DISCONNECTED):
        case static_cast<unsigned long>(RPC_E_SERVER_DIED):
        case static_cast<unsigned long>(RPC_E_SERVER_DIED_DNE):
        case static_cast<unsigned long>(RPC_E_CONNECTION_TERMINATED):
        case static_cast<unsigned long>(RPC_E_INVALID_OBJECT):
        case static_cast<unsigned long>(CO_E_OBJNOTCONNECTED):
            return true;
        default:
            return false;
    }
}

namespace {
thread_local CallWatch* t_callWatch = nullptr;

// Makes an attempt until it is not refused as busy, or the thread's watch gives it up.
template <typename Attempt>
HRESULT UntilNotBusy(Attempt&& attempt) {
    CallWatch* watch = t_callWatch;
    if (watch) watch->Attempt();
    HRESULT hr = attempt();
    if (!IsServerBusy(hr) || !watch) return hr;
    for (int refusals = 1; IsServerBusy(hr); ++refusals) {
        if (!watch->Refused(refusals)) {
            hr = kGaveUpWhileBusy;
            break;
        }
        watch->Attempt();
        hr = attempt();
    }
    watch->CallOver();
    return hr;
}
}  // namespace

CallWatchScope::CallWatchScope(CallWatch& watch) noexcept : outer_(std::exchange(t_callWatch, &watch)) {}

CallWatchScope::~CallWatchScope() { t_callWatch = outer_; }

DISPID IdOf(IDispatch* object, const wchar_t* name) {
    if (!object) throw ComError(E_POINTER);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    Check(UntilNotBusy([&] { return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); }));
    return id;
}

Variant Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<Variant>& args) {
    if (!object) throw ComError(E_POINTER);

    // DISPPARAMS holds the arguments last to first.
    std::vector<VARIANT> reversed;
    reversed.reserve(args.size());
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->get());

    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.cArgs = static_cast<UINT>(reversed.size());
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    if (flags & DISPATCH_PROPERTYPUT) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &putId;
    }

    Variant result;
    EXCEPINFO info{};
    UINT badArg = 0;
    // A refusal comes from COM before the server saw the call: result and exception record stay empty.
    HRESULT hr = UntilNotBusy([&] {
        return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                              (flags & DISPATCH_PROPERTYPUT) ? nullptr : result.put(), &info, &badArg);
    });
    if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    // The exception record's strings are ours to free.
    Bstr source(info.bstrSource), description(info.bstrDescription), help(info.bstrHelpFile);
    if (FAILED(hr)) {
        HRESULT code = (hr == DISP_E_EXCEPTION && FAILED(info.scode)) ? info.scode : hr;
        throw ComError(code, BstrText(description.get()));
    }
    return result;
}

DISPID DispatchCache::IdOf(const wchar_t* name) {
    for (const auto& [known, id] : ids_)
        if (known == name) return id;
    DISPID id = win::IdOf(object_.get(), name);
    ids_.emplace_back(name, id);
    return id;
}

ComPtr<IDispatch> AsObject(const Variant& value) {
    const VARIANT* v = value.get();
    IUnknown* unknown = nullptr;
    if (V_VT(v) == VT_DISPATCH) unknown = V_DISPATCH(v);
    else if (V_VT(v) == VT_UNKNOWN) unknown = V_UNKNOWN(v);
    if (!unknown) throw ComError(DISP_E_TYPEMISMATCH);
    ComPtr<IDispatch> object;
    Check(unknown->QueryInterface(IID_IDispatch, object.put_void()));
    return object;
}

ComPtr<IDispatch> CreateObject(const wchar_t* progId) {
    CLSID clsid{};
    Check(::CLSIDFromProgID(progId, &clsid));
    ComPtr<IDispatch> object;
    Check(UntilNotBusy([&] { return ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.put_void()); }));
    if (!object) throw ComError(E_NOINTERFACE);
    return object;
}

ComPtr<IDispatch> GetRunningObject(const wchar_t* progId) {
    CLSID clsid{};
    Check(::CLSIDFromProgID(progId, &clsid));
    ComPtr<IUnknown> unknown;
    Check(::GetActiveObject(clsid, nullptr, unknown.put()));
    // Wine can report success with no object for a weakly registered instance.
    if (!unknown) throw ComError(MK_E_UNAVAILABLE);
    ComPtr<IDispatch> object;
    Check(UntilNotBusy([&] { return unknown->QueryInterface(IID_IDispatch, object.put_void()); }));
    if (!object) throw ComError(E_NOINTERFACE);
    return object;
}

}  // namespace win
