// The yardstick of the start-up benchmark: the smallest Win32 program with a window and one control.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    };
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BareWindow";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowW(wc.lpszClassName, L"bare window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  800, 500, nullptr, nullptr, instance, nullptr);
    ::CreateWindowW(L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE, 10, 10, 80, 30, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(1)), instance, nullptr);
    ::ShowWindow(window, showCommand);
    ::UpdateWindow(window);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
