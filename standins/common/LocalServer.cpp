#include "standins/common/LocalServer.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>

#include "standins/common/BusyFilter.h"
#include "standins/common/CallLog.h"
#include "standins/common/StandinConfig.h"
#include "win/ComApartment.h"
#include "win/MessagePump.h"
#include "win/ModulePath.h"
#include "win/UniqueResource.h"

namespace standin {

namespace {

const ServerInfo* g_info = nullptr;
ServedClass g_class{};
std::atomic<long> g_locks{0};
ServeMode g_mode = ServeMode::SingleUse;
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
            if (g_mode != ServeMode::Persistent && g_locks <= 0) ::PostQuitMessage(0);
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

std::vector<ServedClass> AllClasses(const ServerInfo& info) {
    std::vector<ServedClass> classes{{info.progId, info.clsid, info.description}};
    classes.insert(classes.end(), info.otherClasses.begin(), info.otherClasses.end());
    return classes;
}

// What "/class:" names a class by: its name up to the first dot ("KET" for "KET.Application").
std::wstring ShortName(const ServedClass& served) {
    std::wstring name = served.progId;
    return name.substr(0, name.find(L'.'));
}

int Register(const ServerInfo& info) {
    bool ok = true;
    std::vector<ServedClass> classes = AllClasses(info);
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const ServedClass& served = classes[i];
        std::wstring clsid = GuidText(served.clsid);
        std::wstring classKey = L"CLSID\\" + clsid;
        // The stand-in's own class needs no /class:; COM appends -Embedding to the command.
        std::wstring command = L"\"" + win::ExecutablePath() + L"\"";
        if (i > 0) command += L" /class:" + ShortName(served);
        ok = ok && SetKey(served.progId, nullptr, served.description) &&
             SetKey(std::wstring(served.progId) + L"\\CLSID", nullptr, clsid) &&
             SetKey(classKey, nullptr, served.description) &&
             SetKey(classKey + L"\\LocalServer32", nullptr, command) &&
             SetKey(classKey + L"\\ProgID", nullptr, served.progId);
    }
    return ok ? 0 : 1;
}

int Unregister(const ServerInfo& info) {
    for (const ServedClass& served : AllClasses(info)) {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, served.progId);
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(served.clsid)).c_str());
    }
    return 0;
}

// The HangAt switch names the creation of the application object as "Application.Create".
constexpr wchar_t kCreateCall[] = L"Application.Create";

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
        if (TakeListed(info_.configName, L"HangAt", kCreateCall)) {
            CallRecord record;
            record.object = L"Application";
            record.member = L"Create";
            record.kind = "hung";
            record.hr = E_PENDING;
            record.error = L"never returns (scenario HangAt)";
            record.t0 = record.t1 = NowMicroseconds();
            LogCall(info_.configName, record);
            LocalServer::Hang();
        }
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

// The value of a switch written "/name:value" (quotes around the value are dropped); none when the
// command line has no such switch.
std::optional<std::wstring> SwitchValue(const std::wstring& commandLine, const wchar_t* name) {
    const std::wstring prefix = std::wstring(name) + L":";
    std::wstring word;
    for (wchar_t c : commandLine + L" ") {
        if (c != L' ' && c != L'\t') {
            word += c;
            continue;
        }
        if (word.size() > prefix.size() && (word[0] == L'/' || word[0] == L'-') &&
            SameText(std::wstring_view(word).substr(1, prefix.size()), prefix)) {
            std::wstring value = word.substr(prefix.size() + 1);
            std::erase(value, L'"');
            return value;
        }
        word.clear();
    }
    return std::nullopt;
}

}  // namespace

void LocalServer::Lock() noexcept { ++g_locks; }

void LocalServer::Unlock() noexcept {
    if (--g_locks <= 0 && g_window) ::PostMessageW(g_window, kCheckIdle, 0, 0);
}

void LocalServer::RequestExit() noexcept {
    // Handled once this call has answered: withdrawing the class inside the call can break the pipe
    // its answer travels on.
    if (g_mode != ServeMode::Persistent && g_window) ::PostMessageW(g_window, kQuit, 0, 0);
}

void LocalServer::OnQuit(std::function<void()> action) { g_onQuit = std::move(action); }

void LocalServer::Crash(UINT exitCode) noexcept {
    RevokeClass();
    ::TerminateProcess(::GetCurrentProcess(), exitCode);
    for (;;) ::Sleep(INFINITE);
}

void LocalServer::Hang() noexcept {
    RevokeClass();
    for (;;) ::Sleep(INFINITE);
}

void LocalServer::WithdrawClass() noexcept { RevokeClass(); }

std::wstring LocalServer::StopEventName(const ServerInfo& info) {
    return std::wstring(L"LabelPrintStandin.") + info.configName + L".Stop";
}

const ServerInfo& LocalServer::Info() noexcept { return *g_info; }

int LocalServer::Serve(const ServerInfo& info, ServeMode mode) {
    g_mode = mode;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ServerWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LabelPrintStandinServer";
    ::RegisterClassW(&windowClass);
    g_window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
    if (!g_window) return 2;

    ClassFactory factory(info);
    // Single use, as Excel and BarTender register theirs: COM hands the class object out once and then
    // forgets it, so the next creation starts a new process. A single-use server killed from outside
    // also leaves no class behind in Wine's rpcss, which a multiple-use one does.
    if (mode != ServeMode::RunningOnly &&
        FAILED(::CoRegisterClassObject(g_class.clsid, &factory, CLSCTX_LOCAL_SERVER,
                                       mode == ServeMode::Persistent ? REGCLS_MULTIPLEUSE : REGCLS_SINGLEUSE,
                                       &g_classCookie)))
        return 2;
    RegisterBusyFilter(info.configName);

    win::UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, StopEventName(info).c_str()));
    // A stop signal left over from an earlier server must not end this one.
    if (stop) ::ResetEvent(stop.get());
    // A COM-started server that is never asked for an object does not linger.
    if (mode == ServeMode::SingleUse) ::SetTimer(g_window, kIdleTimer, 30000, nullptr);
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

    std::vector<ServedClass> classes = AllClasses(info);
    g_class = classes.front();
    if (auto name = SwitchValue(commandLine, L"class")) {
        auto named = std::find_if(classes.begin(), classes.end(),
                                  [&](const ServedClass& served) { return SameText(ShortName(served), *name); });
        if (named == classes.end()) return 4;
        g_class = *named;
    }
    SetLoggedClass(g_class.progId);

    win::ComApartment com;
    if (!com.ok()) return 3;
    int exitCode = 0;
    if (info.extraMode && info.extraMode(commandLine, exitCode)) return exitCode;
    return Serve(info, HasSwitch(commandLine, L"serve") ? ServeMode::Persistent : ServeMode::SingleUse);
}

}  // namespace standin
