#pragma once
// Dots per inch of a window, and the window's sizes at a DPI. The per-monitor functions come from user32
// at run time: Windows before 10 (1607) and some Wine versions lack them, and then the screen's DPI,
// which is then the only one, serves.
#include <windows.h>

// Windows 10 (1703) and later ask a window for its size at a new DPI with this message; the SDK names it
// only for programs built for those versions.
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace win {

// The DPI at which layouts in pixels are designed: 100 % scaling.
inline constexpr UINT kDesignDpi = 96;

// The screen's DPI, as a window about to be created gets it on the primary monitor.
UINT ScreenDpi();
// The DPI a window is shown at now.
UINT DpiOf(HWND window);
// A length of the 96-DPI design at another DPI, rounded to the nearest pixel.
int Scale(int designPixels, UINT dpi);
// The window rectangle whose client area is `client`, with the frame of the given DPI.
RECT FrameAround(RECT client, DWORD style, DWORD exStyle, UINT dpi);
// A system metric (SM_CXSMICON, ...) as it is at the given DPI.
int SystemMetric(int index, UINT dpi);

}  // namespace win
