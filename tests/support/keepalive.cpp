// Keeps one Wine process with a window alive for the length of a test run, so every test process
// starts quickly. Creates the file named on its command line once it is ready; ends on WM_CLOSE or
// when the wineserver goes away.
#include <windows.h>

#include "win/UniqueResource.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = L"LabelPrint.KeepAlive";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowW(wc.lpszClassName, L"keepalive", 0, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    if (commandLine && *commandLine) {
        // Created and closed again: that the file exists is the signal.
        win::UniqueFile ready(::CreateFileW(commandLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
