#include "standins/common/BusyFilter.h"

#include <objbase.h>
#include <windows.h>

#include <cstdio>

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
        const char* object = call.iid == IID_IDispatch ? "IDispatch" : "IClassFactory";
        const char* member = "";
        if (call.iid == IID_IDispatch) {
            static const char* const kMethods[] = {"QueryInterface", "AddRef", "Release", "GetTypeInfoCount",
                                                   "GetTypeInfo", "GetIDsOfNames", "Invoke"};
            member = call.wMethod < 7 ? kMethods[call.wMethod] : "?";
        } else {
            member = call.wMethod == 3 ? "CreateInstance" : call.wMethod == 4 ? "LockServer" : "?";
        }
        long long now = NowMicroseconds();
        char hr[16];
        std::snprintf(hr, sizeof(hr), "0x%08lX", static_cast<unsigned long>(RPC_E_CALL_REJECTED));
        AppendLogLine(server_, "{\"server\":" + JsonString(server_) + ",\"object\":\"" + object + "\",\"member\":\"" +
                                   member + "\",\"kind\":\"refused\",\"args\":[],\"result\":\"\",\"hr\":\"" + hr +
                                   "\",\"error\":\"busy\",\"t0\":" + std::to_string(now) +
                                   ",\"t1\":" + std::to_string(now) + "}");
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
