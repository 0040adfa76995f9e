#pragma once
// The type library embedded in labelsupport.dll (resource TYPELIB 1).
#include <oaidl.h>
#include <windows.h>

namespace labelsupport {

// Loads the type library from the DLL itself, so the objects describe themselves whether or not
// the library is registered. The automation library keeps one loaded copy per path.
HRESULT LoadServerTypeLib(ITypeLib** out) noexcept;
// The description of interface `iid` for IDispatch: for a dual interface, its dispatch side.
HRESULT LoadTypeInfo(REFIID iid, ITypeInfo** out) noexcept;

}  // namespace labelsupport
