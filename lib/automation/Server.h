#pragma once
// The in-process server as a whole: its module handle, and the count of what keeps it loaded
// (live objects, class-factory references and LockServer locks). DllCanUnloadNow answers from
// the count. The count is shared by every apartment that uses the DLL, so it is atomic.
#include <windows.h>

#include <string>

namespace labelsupport {

// Set once by DllMain when the DLL is loaded.
void SetServerModule(HMODULE module) noexcept;
// The full path of labelsupport.dll, as registered and as LoadTypeLibEx reads it.
std::wstring ServerPath();

void LockServer() noexcept;
void UnlockServer() noexcept;
bool ServerInUse() noexcept;

// One hold on the server for the lifetime of an object.
class ServerHold {
public:
    ServerHold() noexcept { LockServer(); }
    ~ServerHold() { UnlockServer(); }
    ServerHold(const ServerHold&) = delete;
    ServerHold& operator=(const ServerHold&) = delete;
};

}  // namespace labelsupport
