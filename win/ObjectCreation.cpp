#include "win/ObjectCreation.h"

#include "win/CallWatch.h"
#include "win/ComError.h"

namespace win {

namespace {
// An unregistered class name fails here at once.
CLSID ClassIdOf(const wchar_t* progId) {
    CLSID clsid{};
    Check(::CLSIDFromProgID(progId, &clsid));
    return clsid;
}
}  // namespace

ComPtr<IDispatch> CreateObject(const wchar_t* progId) {
    const CLSID clsid = ClassIdOf(progId);
    ComPtr<IDispatch> object;
    Check(RetryWhileBusy([&] { return ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.put_void()); }));
    if (!object) throw ComError(E_NOINTERFACE);
    return object;
}

ComPtr<IDispatch> GetRunningObject(const wchar_t* progId) {
    const CLSID clsid = ClassIdOf(progId);
    ComPtr<IUnknown> unknown;
    Check(::GetActiveObject(clsid, nullptr, unknown.put()));
    // Wine can report success with no object for a weakly registered instance.
    if (!unknown) throw ComError(MK_E_UNAVAILABLE);
    ComPtr<IDispatch> object;
    Check(RetryWhileBusy([&] { return unknown->QueryInterface(IID_IDispatch, object.put_void()); }));
    if (!object) throw ComError(E_NOINTERFACE);
    return object;
}

}  // namespace win
