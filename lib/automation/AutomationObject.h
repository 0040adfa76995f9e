#pragma once
// Base of the three automation objects: reference counting, the server hold, IDispatch and
// ISupportErrorInfo for one dual interface, and the support class (Library) the object serves.
// The derived class lists the interface's operations from Operations.h: its interface methods
// (LABELSUPPORT_INTERFACE_METHOD) and its table for Invoke (Members, LABELSUPPORT_DISPATCH_ENTRY).
//
// Names and parameter names are looked up in the type library, so GetIDsOfNames answers exactly
// what the library describes (case-insensitively, named arguments included). Invoke is written
// out by hand over the derived class's member table instead of going through ITypeInfo::Invoke:
// script engines pass their variables as VARIANT references (VT_BYREF|VT_VARIANT), and the
// automation library's typed Invoke rejects those for a LONG* or BSTR* parameter with a type
// mismatch (and never writes an in-out value back through them). Here every argument is read the
// way Conversions.h describes and in-out integers are written back into the caller's variable.
//
// Each object lives in the apartment that created it and is called on that thread only; what the
// objects share (the server hold) is atomic. A call holds a reference to its object while it
// runs, because a wait processes messages and the caller may release the object meanwhile.
#include <oaidl.h>
#include <windows.h>

#include <atomic>
#include <span>

#include "lib/automation/DispatchArguments.h"
#include "lib/automation/ErrorReporting.h"
#include "lib/automation/OperationCall.h"
#include "lib/automation/Server.h"
#include "lib/automation/TypeLibrary.h"
#include "win/ComPtr.h"
#include "win/Variant.h"

namespace labelsupport {

template <typename Derived, typename Interface, typename LibraryClass>
class AutomationObject : public Interface, public ISupportErrorInfo {
public:
    using Library = LibraryClass;

    // One operation for Invoke: its dispatch id, its parameters (the result not counted), how many
    // of them are required, and the call itself, which fills *result.
    struct Member {
        DISPID id;
        unsigned count;
        unsigned required;
        void (*call)(Derived& self, const DispatchArguments& args, VARIANT* result);
    };

    AutomationObject() = default;
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Interface)) {
            *out = static_cast<Interface*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *out = static_cast<ISupportErrorInfo*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        const HRESULT hr = LoadOwnTypeInfo();
        if (FAILED(hr)) return hr;
        *out = typeInfo_.get();
        (*out)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0) return E_INVALIDARG;
        const HRESULT hr = LoadOwnTypeInfo();
        if (FAILED(hr)) return hr;
        return ::DispGetIDsOfNames(typeInfo_.get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* argError) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        const Member* member = Find(id);
        if (!member || !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;

        DispatchArguments args(lcid);
        HRESULT hr = S_OK;
        Outcome outcome =
            Guarded(Library::kSource, [&] { hr = args.Bind(params, member->count, member->required, argError); });
        if (FAILED(outcome.hr)) return ReportThroughExcepInfo(outcome, __uuidof(Interface), info);
        if (FAILED(hr)) return hr;

        win::ComPtr<Derived> self(static_cast<Derived*>(this));
        win::Variant value;
        outcome = Guarded(Library::kSource, [&] { member->call(*self.get(), args, value.get()); });
        if (FAILED(outcome.hr)) return ReportThroughExcepInfo(outcome, __uuidof(Interface), info);
        if (result) *result = value.release();
        return S_OK;
    }

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == __uuidof(Interface) ? S_OK : S_FALSE;
    }

protected:
    ~AutomationObject() = default;

    // Runs one operation of the interface table; see ErrorReporting.h for what a failure becomes.
    template <typename Body>
    HRESULT Run(Body&& body) noexcept {
        win::ComPtr<Derived> self(static_cast<Derived*>(this));
        return ReportThroughErrorInfo(Guarded(Library::kSource, body), __uuidof(Interface));
    }

    // The Invoke entry of one operation described in Operations.h.
    template <auto Operation, typename... Kinds>
    static constexpr Member DispatchEntry(DISPID id) noexcept {
        using Call = OperationCall<Operation, Kinds...>;
        return {id, Call::kArguments, Call::kRequired, &Dispatched<Operation, Kinds...>};
    }

    // The object's own instance of the support class; a wait keeps its timer in it between calls.
    Library library_;

private:
    template <auto Operation, typename... Kinds>
    static void Dispatched(Derived& self, const DispatchArguments& args, VARIANT* result) {
        OperationCall<Operation, Kinds...>::ThroughDispatch(self.library_, args, result);
    }

    const Member* Find(DISPID id) const noexcept {
        for (const Member& member : Derived::Members())
            if (member.id == id) return &member;
        return nullptr;
    }

    HRESULT LoadOwnTypeInfo() noexcept {
        if (typeInfo_) return S_OK;
        return LoadTypeInfo(__uuidof(Interface), typeInfo_.put());
    }

    std::atomic<ULONG> references_{1};
    ServerHold hold_;
    win::ComPtr<ITypeInfo> typeInfo_;
};

}  // namespace labelsupport
