#include "standins/common/LocalServer.h"

#include <atomic>
#include <optional>
#include <utility>

#include "standins/common/BusyFilter.h"
#include "standins/common/StandinConfig.h"
#include "win/ComApartment.h"
#include "win/Messages.h"
#include "win/ModulePath.h"
#include "win/UniqueResource.h"

namespace standin {

namespace {

const ServerInfo* g_info = nullptr;
std::atomic<long> g_locks{0};
bool g_persistent = false;
DWORD g_classCookie = 0;
std::function<void()> g_onQuit;
// The server's message-only window: its messages decide when the server ends.
HWND g_window = nullptr;
constexpr UINT kCheckIdle = WM_APP + 1;
constexpr UINT kQuit = WM_APP + 2;
constexpr UINT_PTR kIdleTimer = 1;

void RevokeClass() {
    if (g_classCookie) ::CoRevokeClassObject(std::exchange(g_classCookie, 0));
}

LRESULT CALLBACK ServerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kQuit:
            // No new client may reach a server on its way out: the class goes first, so the next
            // creation starts a fresh server instead of connecting to this one as it ends.
            RevokeClass();
            if (auto action = std::exchange(g_onQuit, nullptr)) action();
            [[fallthrough]];
        case kCheckIdle:
        case WM_TIMER:
            if (!g_persistent && g_locks <= 0) ::PostQuitMessage(0);
            return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

std::wstring GuidText(const CLSID& clsid) {
    wchar_t text[64] = {};
    ::StringFromGUID2(clsid, text, 64);
    return text;
}

bool SetKey(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    win::UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

int Register(const ServerInfo& info) {
    std::wstring clsid = GuidText(info.clsid);
    std::wstring classKey = L"CLSID\\" + clsid;
    bool ok = SetKey(info.progId, nullptr, info.description) &&
              SetKey(std::wstring(info.progId) + L"\\CLSID", nullptr, clsid) &&
              SetKey(classKey, nullptr, info.description) &&
              SetKey(classKey + L"\\LocalServer32", nullptr, L"\"" + win::ExecutablePath() + L"\"") &&
              SetKey(classKey + L"\\ProgID", nullptr, info.progId);
    return ok ? 0 : 1;
}

int Unregister(const ServerInfo& info) {
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, info.progId);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(info.clsid)).c_str());
    return 0;
}

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(const ServerInfo& info) : info_(info) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory lives on the server's stack for the whole run.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        if (ConfigDword(info_.configName, L"RefuseCreate")) {
            ::PostMessageW(g_window, kCheckIdle, 0, 0);
            return CO_E_SERVER_EXEC_FAILURE;
        }
        IDispatch* app = info_.create();
        if (!app) return E_OUTOFMEMORY;
        HRESULT hr = app->QueryInterface(riid, out);
        app->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? LocalServer::Lock() : LocalServer::Unlock();
        return S_OK;
    }

private:
    const ServerInfo& info_;
};

// A switch is a whole word of the command line, written with "/" or "-" in front, in any case.
bool HasSwitch(const std::wstring& commandLine, const wchar_t* name) {
    std::wstring word;
    auto matches = [&] {
        if (word.size() < 2 || (word[0] != L'/' && word[0] != L'-')) return false;
        return ::lstrcmpiW(word.c_str() + 1, name) == 0;
    };
    for (wchar_t c : commandLine + L" ") {
        if (c != L' ' && c != L'\t') {
            word += c;
            continue;
        }
        if (matches()) return true;
        word.clear();
    }
    return false;
}

}  // namespace

void LocalServer::Lock() noexcept { ++g_locks; }

void LocalServer::Unlock() noexcept {
    if (--g_locks <= 0 && g_window) ::PostMessageW(g_window, kCheckIdle, 0, 0);
}

void LocalServer::RequestExit() noexcept {
    // Handled once this call has answered: withdrawing the class inside the call can break the pipe
    // its answer travels on.
    if (!g_persistent && g_window) ::PostMessageW(g_window, kQuit, 0, 0);
}

void LocalServer::OnQuit(std::function<void()> action) { g_onQuit = std::move(action); }

void LocalServer::Crash(UINT exitCode) noexcept {
    RevokeClass();
    ::TerminateProcess(::GetCurrentProcess(), exitCode);
    for (;;) ::Sleep(INFINITE);
}

void LocalServer::WithdrawClass() noexcept { RevokeClass(); }

std::wstring LocalServer::StopEventName(const ServerInfo& info) {
    return std::wstring(L"LabelPrintStandin.") + info.configName + L".Stop";
}

const ServerInfo& LocalServer::Info() noexcept { return *g_info; }

int LocalServer::Serve(const ServerInfo& info, bool persistent) {
    g_persistent = persistent;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ServerWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LabelPrintStandinServer";
    ::RegisterClassW(&windowClass);
    g_window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
    if (!g_window) return 2;

    ClassFactory factory(info);
    if (FAILED(::CoRegisterClassObject(info.clsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &g_classCookie)))
        return 2;
    RegisterBusyFilter(info.configName);

    win::UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, StopEventName(info).c_str()));
    // A stop signal left over from an earlier server must not end this one.
    if (stop) ::ResetEvent(stop.get());
    // A COM-started server that is never asked for an object does not linger.
    if (!persistent) ::SetTimer(g_window, kIdleTimer, 30000, nullptr);
    std::optional<int> quit;
    while (!quit) {
        HANDLE handles[] = {stop.get()};
        DWORD wait = ::MsgWaitForMultipleObjects(stop ? 1 : 0, handles, FALSE, INFINITE, QS_ALLINPUT);
        if (stop && wait == WAIT_OBJECT_0) break;
        win::ProcessPendingMessages(quit);
    }
    RevokeClass();
    ::DestroyWindow(std::exchange(g_window, nullptr));
    return 0;
}

int LocalServer::Run(const ServerInfo& info, const std::wstring& commandLine) {
    g_info = &info;
    if (HasSwitch(commandLine, L"unregserver")) return Unregister(info);
    if (HasSwitch(commandLine, L"regserver")) return Register(info);

    win::ComApartment com;
    if (!com.ok()) return 3;
    int exitCode = 0;
    if (info.extraMode && info.extraMode(commandLine, exitCode)) return exitCode;
    return Serve(info, HasSwitch(commandLine, L"serve"));
}

}  // namespace standin
