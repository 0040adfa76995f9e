#pragma once
// What regsvr32 writes and removes: for each class its CLSID key (in-process server path,
// apartment threading, ProgID, type library) and its ProgID key, then the type library with
// its interfaces, which the automation library's marshaler serves across apartments.
#include <windows.h>

namespace labelsupport {

HRESULT RegisterServer() noexcept;
HRESULT UnregisterServer() noexcept;

}  // namespace labelsupport
