#include "win/Dpi.h"

#include "win/UniqueResource.h"

namespace win {

namespace {

// The per-monitor functions of user32, where it has them.
struct PerMonitorFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;

    PerMonitorFunctions() {
        HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
        if (!user32) return;
        Load(user32, "GetDpiForWindow", getDpiForWindow);
        Load(user32, "AdjustWindowRectExForDpi", adjustWindowRectExForDpi);
        Load(user32, "GetSystemMetricsForDpi", getSystemMetricsForDpi);
    }

    template <typename Function>
    static void Load(HMODULE module, const char* name, Function& function) {
        function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    }
};

const PerMonitorFunctions& PerMonitor() {
    static const PerMonitorFunctions functions;
    return functions;
}

}  // namespace

UINT ScreenDpi() {
    const UniqueScreenDc screen(::GetDC(nullptr));
    if (!screen) return kDesignDpi;
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

UINT DpiOf(HWND window) {
    if (PerMonitor().getDpiForWindow) {
        if (UINT dpi = PerMonitor().getDpiForWindow(window)) return dpi;
    }
    return ScreenDpi();
}

int Scale(int designPixels, UINT dpi) { return ::MulDiv(designPixels, static_cast<int>(dpi), kDesignDpi); }

RECT FrameAround(RECT client, DWORD style, DWORD exStyle, UINT dpi) {
    if (PerMonitor().adjustWindowRectExForDpi) {
        RECT frame = client;
        if (PerMonitor().adjustWindowRectExForDpi(&frame, style, FALSE, exStyle, dpi)) return frame;
    }
    ::AdjustWindowRectEx(&client, style, FALSE, exStyle);
    return client;
}

int SystemMetric(int index, UINT dpi) {
    if (PerMonitor().getSystemMetricsForDpi) return PerMonitor().getSystemMetricsForDpi(index, dpi);
    // Without per-monitor support the system's metrics are those of the one DPI there is.
    return ::GetSystemMetrics(index);
}

}  // namespace win
