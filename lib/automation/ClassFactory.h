#pragma once
// The class object of one of the server's classes. There is one static instance per class; its
// references and LockServer locks hold the server like live objects do.
#include <objbase.h>
#include <windows.h>

#include <new>

#include "lib/automation/Server.h"

namespace labelsupport {

template <typename Object>
class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        labelsupport::LockServer();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        labelsupport::UnlockServer();
        return 1;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        Object* object = new (std::nothrow) Object();
        if (!object) return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(riid, out);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            labelsupport::LockServer();
        else
            labelsupport::UnlockServer();
        return S_OK;
    }
};

}  // namespace labelsupport
