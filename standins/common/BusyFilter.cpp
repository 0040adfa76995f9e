#include "standins/common/BusyFilter.h"

#include <objbase.h>
#include <windows.h>

#include "standins/common/CallLog.h"
#include "standins/common/StandinConfig.h"

namespace standin {

namespace {

class BusyFilter : public IMessageFilter {
public:
    explicit BusyFilter(std::wstring server) : server_(std::move(server)) {}

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
        if (!call || !Refusable(call->iid)) return SERVERCALL_ISHANDLED;
        ULONGLONG now = ::GetTickCount64();
        if (DWORD spell = TakeBusySwitch()) busyUntil_ = now + spell;
        if (now >= busyUntil_) return SERVERCALL_ISHANDLED;
        LogRefusal(*call);
        return SERVERCALL_REJECTED;
    }
    // The stand-ins make no calls of their own.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

private:
    static bool Refusable(REFIID iid) { return iid == IID_IDispatch || iid == IID_IClassFactory; }

    // Reads the switch and, when it is set, resets it: each setting makes one busy spell.
    DWORD TakeBusySwitch() {
        DWORD spell = ConfigDword(server_, L"BusyForMs");
        if (spell) ClearConfig(server_, L"BusyForMs");
        return spell;
    }

    void LogRefusal(const INTERFACEINFO& call) {
        static const wchar_t* const kDispatchMethods[] = {
            L"QueryInterface", L"AddRef", L"Release", L"GetTypeInfoCount", L"GetTypeInfo", L"GetIDsOfNames", L"Invoke"};
        CallRecord record;
        record.kind = "refused";
        record.object = call.iid == IID_IDispatch ? L"IDispatch" : L"IClassFactory";
        if (call.iid == IID_IDispatch) record.member = call.wMethod < 7 ? kDispatchMethods[call.wMethod] : L"?";
        else record.member = call.wMethod == 3 ? L"CreateInstance" : call.wMethod == 4 ? L"LockServer" : L"?";
        record.hr = RPC_E_CALL_REJECTED;
        record.error = L"busy";
        record.t0 = record.t1 = NowMicroseconds();
        LogCall(server_, record);
    }

    std::wstring server_;
    ULONGLONG busyUntil_ = 0;
};

}  // namespace

void RegisterBusyFilter(const std::wstring& server) {
    static BusyFilter filter(server);
    IMessageFilter* previous = nullptr;
    ::CoRegisterMessageFilter(&filter, &previous);
}

}  // namespace standin
