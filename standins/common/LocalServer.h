#pragma once
// The process side of a stand-in: registration, the class object, and the server's lifetime.
//
//   server.exe /regserver     register every class name the exe serves, with its class id (HKEY_CLASSES_ROOT)
//   server.exe /unregserver   remove them
//   server.exe -Embedding     started by COM: a single-use server, as Excel and BarTender are. Its class
//                             object answers one creation and is then withdrawn, so that each creation
//                             starts a process of its own; the server ends when its last object is gone
//   server.exe /class:KET -Embedding
//                             the same for another class name of the exe ("KET.Application"); COM starts
//                             it that way, and the process registers the class object of that class only
//   server.exe /serve         started by hand (benchmarks keep a warm server this way): serves any number
//                             of creations from one process, until the stop event is set
//
// Attaching to a running instance goes through the running-object table (see the Excel stand-in's
// operator mode), never through the class object.
#include <objbase.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace standin {

// A class name the server answers to.
struct ServedClass {
    const wchar_t* progId;       // e.g. L"KET.Application"
    CLSID clsid;                 // its own class id
    const wchar_t* description;  // shown in the registry
};

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
    // More class names the same exe serves, with the same objects, settings and log. COM starts the exe
    // for one of them with "/class:" and the class name up to its first dot (/class:KET).
    std::vector<ServedClass> otherClasses;
};

// How a server offers its application to clients.
enum class ServeMode {
    SingleUse,    // started by COM: its class object serves one creation and is then withdrawn; the
                  // server ends when its last object is gone
    Persistent,   // started by hand: its class object serves every creation until the stop event is set
    RunningOnly,  // an application the operator started: no class object at all (a creation never
                  // reaches it); clients find it in the running-object table. It ends on its stop
                  // event, or once it was quit and its last object is gone
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
    // Never returns from the current call, as a server stuck behind a dialog nobody can see: the thread
    // takes no messages, so the server answers nothing else, until its process is ended from outside.
    // The class object is withdrawn first, for the reason Crash gives.
    [[noreturn]] static void Hang() noexcept;
    // Withdraws the class object at once, inside a call that will never return: a client may then
    // end the process from outside without leaving the class behind in Wine's rpcss (see Crash).
    static void WithdrawClass() noexcept;
    // Registers the class object as the mode says and pumps messages until the server should end.
    static int Serve(const ServerInfo& info, ServeMode mode);
    // The name of the event that stops the stand-in's servers, whatever their mode, as closing the
    // application does: "LabelPrintStandin.<configName>.Stop".
    static std::wstring StopEventName(const ServerInfo& info);
};

}  // namespace standin
