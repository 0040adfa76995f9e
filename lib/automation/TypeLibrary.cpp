#include "lib/automation/TypeLibrary.h"

#include "lib/automation/Server.h"
#include "win/ComPtr.h"

namespace labelsupport {

HRESULT LoadServerTypeLib(ITypeLib** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        const std::wstring path = ServerPath();
        if (path.empty()) return E_UNEXPECTED;
        return ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT LoadTypeInfo(REFIID iid, ITypeInfo** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    win::ComPtr<ITypeLib> library;
    const HRESULT hr = LoadServerTypeLib(library.put());
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(iid, out);
}

}  // namespace labelsupport
