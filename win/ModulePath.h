#pragma once
// Paths of the running executable.
#include <string>

namespace win {

// Full path of the executable, e.g. C:\Tools\labelprint.exe.
std::wstring ExecutablePath();
// The executable's folder, without a trailing backslash.
std::wstring ExecutableFolder();

}  // namespace win
