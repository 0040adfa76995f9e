#include "standins/excel/OperatorMode.h"

#include <oleauto.h>

#include <cwctype>
#include <utility>

#include "standins/common/DispatchObject.h"
#include "standins/common/StandinConfig.h"
#include "standins/excel/ExcelObjects.h"
#include "win/ComPtr.h"
#include "win/UniqueResource.h"

namespace standin {

namespace {

HANDLE g_ready = nullptr;
std::wstring g_readyFile;

// Runs once from the server's message loop, once the instance is in the running-object table.
void CALLBACK SignalReady(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    if (!g_readyFile.empty()) {
        win::UniqueFile file(::CreateFileW(g_readyFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    ::SetEvent(g_ready);
}

// The text after the switch, without surrounding blanks or quotes.
std::wstring ArgumentAfter(const std::wstring& commandLine, std::size_t switchEnd) {
    std::wstring rest = commandLine.substr(switchEnd);
    std::size_t first = rest.find_first_not_of(L" \t\"");
    if (first == std::wstring::npos) return {};
    std::size_t last = rest.find_last_not_of(L" \t\"");
    return rest.substr(first, last - first + 1);
}

}  // namespace

bool RunOperatorMode(const ServerInfo& info, const std::wstring& commandLine, int& exitCode) {
    std::wstring lower = commandLine;
    for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    const std::wstring option = L"/operator";
    std::size_t at = lower.find(option);
    if (at == std::wstring::npos) return false;
    g_readyFile = ArgumentAfter(commandLine, at + option.size());

    win::UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, kOperatorReadyEvent));
    ::ResetEvent(ready.get());
    g_ready = ready.get();
    // A stop request left over from an earlier instance must not end this one at once.
    win::UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, LocalServer::StopEventName(info).c_str()));
    ::ResetEvent(stop.get());

    win::ComPtr<IDispatch> app;
    try {
        app.reset(NewExcelApplication(true, ConfigString(kExcel, L"OperatorWorkbook")));
    } catch (const Fault&) {
        exitCode = 5;
        return true;
    }
    DWORD cookie = 0;
    // Strong registration: with a weak one, Wine's GetActiveObject can answer S_FALSE and no object.
    HRESULT hr = ::RegisterActiveObject(app.get(), info.clsid, ACTIVEOBJECT_STRONG, &cookie);
    if (FAILED(hr)) {
        exitCode = 4;
        return true;
    }
    ::SetTimer(nullptr, 0, 0, SignalReady);
    // No class object: an Excel started by hand registers none, so a creation never reaches this
    // instance. The application object held here keeps the server from ending when clients let go of
    // their objects; after Quit the instance lets go of it too and ends with the last client.
    LocalServer::OnQuit([&] {
        if (cookie) ::RevokeActiveObject(std::exchange(cookie, 0), nullptr);
        app.reset();
    });
    exitCode = LocalServer::Serve(info, ServeMode::RunningOnly);
    LocalServer::OnQuit(nullptr);
    if (cookie) ::RevokeActiveObject(cookie, nullptr);
    ::ResetEvent(ready.get());
    g_ready = nullptr;
    app.reset();
    return true;
}

}  // namespace standin
