#pragma once
// The process side of a stand-in: registration, the class object, and the server's lifetime.
//
//   server.exe /regserver     register the class name and class id (HKEY_CLASSES_ROOT)
//   server.exe /unregserver   remove them
//   server.exe -Embedding     started by COM: serves until the last object is gone
//   server.exe /serve         started by hand (tests, benchmarks): serves until the stop event is set
#include <objbase.h>
#include <windows.h>

#include <functional>
#include <string>

namespace standin {

struct ServerInfo {
    const wchar_t* progId;       // e.g. L"BarTender.Application"
    CLSID clsid;                 // the stand-in's own class id
    const wchar_t* description;  // shown in the registry
    const wchar_t* configName;   // registry name of its settings and its log, e.g. L"BarTender"
    HRESULT error;               // what most failing members raise, and the switch "FailMembers" makes them raise
    // Creates the application object (unless the switch "RefuseCreate" is set).
    std::function<IDispatch*()> create;
    // Extra command-line modes; returns true when it handled the command line.
    std::function<bool(const std::wstring& commandLine, int& exitCode)> extraMode;
};

class LocalServer {
public:
    // Runs the server for the given command line; returns the process exit code.
    static int Run(const ServerInfo& info, const std::wstring& commandLine);
    // The server this process runs.
    static const ServerInfo& Info() noexcept;

    // Object and lock counting; the COM-started server ends when the count returns to zero.
    static void Lock() noexcept;
    static void Unlock() noexcept;
    // The application's Quit. Once the current call has returned, the class is withdrawn, so the next
    // client starts a new server, and the server ends when its last object is released: like the real
    // applications, a server whose objects are still referenced lives on after Quit.
    static void RequestExit() noexcept;
    // Something more a server does on Quit (the operator's Excel leaves the running-object table and lets
    // go of its own application object). Set before Serve.
    static void OnQuit(std::function<void()> action);
    // Ends the process at once, inside a call, as a crash does: the client's call fails. The class
    // object is withdrawn first, as Windows does for a server that died; Wine's rpcss would keep a
    // dead server's class registered, and no client could create the class again until the
    // wineserver restarts.
    [[noreturn]] static void Crash(UINT exitCode) noexcept;
    // Withdraws the class object at once, inside a call that will never return: a client may then
    // end the process from outside without leaving the class behind in Wine's rpcss (see Crash).
    static void WithdrawClass() noexcept;
    // Registers the class object and pumps messages until the server should end.
    static int Serve(const ServerInfo& info, bool persistent);
    // The name of the event that stops a persistent server.
    static std::wstring StopEventName(const ServerInfo& info);
};

}  // namespace standin
