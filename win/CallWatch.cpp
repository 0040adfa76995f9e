#include "win/CallWatch.h"

#include <utility>

namespace win {

bool IsServerBusy(HRESULT hr) noexcept { return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER; }

bool IsServerGone(HRESULT hr) noexcept {
    switch (static_cast<unsigned long>(hr)) {
        case 0x800706BA:  // HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE)
        case 0x800706BE:  // HRESULT_FROM_WIN32(RPC_S_CALL_FAILED)
        case 0x800706BF:  // HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE)
        case 0x8007006D:  // HRESULT_FROM_WIN32(ERROR_BROKEN_PIPE)
        case static_cast<unsigned long>(RPC_E_DISCONNECTED):
        case static_cast<unsigned long>(RPC_E_SERVER_DIED):
        case static_cast<unsigned long>(RPC_E_SERVER_DIED_DNE):
        case static_cast<unsigned long>(RPC_E_CONNECTION_TERMINATED):
        case static_cast<unsigned long>(RPC_E_INVALID_OBJECT):
        case static_cast<unsigned long>(CO_E_OBJNOTCONNECTED):
            return true;
        default:
            return false;
    }
}

namespace {
thread_local CallWatch* t_callWatch = nullptr;
}  // namespace

CallWatch* CurrentCallWatch() noexcept { return t_callWatch; }

CallWatchScope::CallWatchScope(CallWatch& watch) noexcept : outer_(std::exchange(t_callWatch, &watch)) {}

CallWatchScope::~CallWatchScope() { t_callWatch = outer_; }

}  // namespace win
