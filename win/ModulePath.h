#pragma once
// Paths of loaded modules: the running executable, or a DLL by its handle.
#include <windows.h>

#include <string>

namespace win {

// Full path of a module, e.g. C:\Tools\labelsupport.dll; nullptr names the executable. Empty when
// the system cannot tell.
std::wstring ModulePath(HMODULE module);
// Full path of the executable, e.g. C:\Tools\labelprint.exe.
std::wstring ExecutablePath();
// The executable's folder, without a trailing backslash.
std::wstring ExecutableFolder();

}  // namespace win
