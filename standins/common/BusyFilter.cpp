#include "standins/common/BusyFilter.h"

#include <objbase.h>
#include <windows.h>

#include <utility>

#include "standins/common/CallLog.h"
#include "standins/common/StandinConfig.h"

namespace standin {

namespace {

class BusyFilter : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IMessageFilter) {
            *out = static_cast<IMessageFilter*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The filter is a process-wide static.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO call) override {
        turnAway_ = false;
        if (!call || !Refusable(call->iid)) return SERVERCALL_ISHANDLED;
        ULONGLONG now = ::GetTickCount64();
        StartSpell(now, false);
        if (now >= busyUntil_) return SERVERCALL_ISHANDLED;
        LogRefusal(*call);
        if (!retryLater_) return SERVERCALL_REJECTED;
        turnAway_ = true;
        return SERVERCALL_RETRYLATER;
    }
    // The stand-ins make no calls of their own.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

    void SetServer(const std::wstring& server) { server_ = server; }

    void AfterCall(const std::wstring& call) {
        if (TakeListed(server_, L"BusyAfter", call)) StartSpell(::GetTickCount64(), true);
    }

    bool TakeTurnAway() { return std::exchange(turnAway_, false); }

private:
    static bool Refusable(REFIID iid) { return iid == IID_IDispatch; }

    // Starts a spell when the switch is set, and resets it: each setting makes one busy spell. While
    // BusyAfter is set, only the end of the call it names starts the spell.
    void StartSpell(ULONGLONG now, bool afterNamedCall) {
        DWORD spell = ConfigDword(server_, L"BusyForMs");
        if (!spell) return;
        if (!afterNamedCall && !ConfigString(server_, L"BusyAfter").empty()) return;
        ClearConfig(server_, L"BusyForMs");
        busyUntil_ = now + spell;
        retryLater_ = SameText(ConfigString(server_, L"BusyAnswer"), L"retrylater");
    }

    void LogRefusal(const INTERFACEINFO& call) {
        static const wchar_t* const kDispatchMethods[] = {
            L"QueryInterface", L"AddRef", L"Release", L"GetTypeInfoCount", L"GetTypeInfo", L"GetIDsOfNames", L"Invoke"};
        CallRecord record;
        record.kind = "refused";
        record.object = L"IDispatch";
        record.member = call.wMethod < 7 ? kDispatchMethods[call.wMethod] : L"?";
        record.hr = retryLater_ ? RPC_E_SERVERCALL_RETRYLATER : RPC_E_CALL_REJECTED;
        record.error = L"busy";
        record.t0 = record.t1 = NowMicroseconds();
        LogCall(server_, record);
    }

    std::wstring server_;
    ULONGLONG busyUntil_ = 0;
    bool retryLater_ = false;
    // The call being dispatched was answered SERVERCALL_RETRYLATER.
    bool turnAway_ = false;
};

BusyFilter g_filter;

}  // namespace

void RegisterBusyFilter(const std::wstring& server) {
    g_filter.SetServer(server);
    IMessageFilter* previous = nullptr;
    ::CoRegisterMessageFilter(&g_filter, &previous);
}

void BusyAfterCall(const std::wstring& call) { g_filter.AfterCall(call); }

bool TurnAwayAsBusy() { return g_filter.TakeTurnAway(); }

}  // namespace standin
