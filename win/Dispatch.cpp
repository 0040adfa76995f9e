#include "win/Dispatch.h"

#include <algorithm>
#include <utility>

#include "win/Bstr.h"

namespace win {

DISPID IdOf(IDispatch* object, const wchar_t* name) {
    if (!object) throw ComError(E_POINTER);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    Check(RetryWhileBusy([&] { return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); }));
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
    HRESULT hr = RetryWhileBusy([&] {
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

}  // namespace win
