#pragma once
// What regsvr32 writes and removes: for each class its CLSID key (in-process server path,
// apartment threading, ProgID, type library) and its ProgID key, then the type library with
// its interfaces, which the automation library's marshaler serves across apartments.
//
// Plain regsvr32 registers for the whole machine (HKLM\Software\Classes, needs an administrator);
// "regsvr32 /n /i:user" registers for the current user only (HKCU\Software\Classes). The x86 and
// x64 builds of the DLL can be registered side by side: each writes its own CLSID and Interface
// keys, and they share the ProgIDs and the type library's key.
#include <windows.h>

#include <optional>

namespace labelsupport {

enum class RegistrationScope { Machine, User };

HRESULT RegisterServer(RegistrationScope scope) noexcept;
// Removes this bitness's registration; the ProgIDs and the type library's key stay while the other
// bitness is still registered in the same scope. Removing what is not there is no failure.
HRESULT UnregisterServer(RegistrationScope scope) noexcept;

// The scope DllInstall's command line asks for: "user" for the current user, nothing for the
// machine; anything else is no scope.
std::optional<RegistrationScope> ScopeOfInstallCommand(const wchar_t* commandLine) noexcept;

}  // namespace labelsupport
