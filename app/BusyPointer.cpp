#include "app/BusyPointer.h"

namespace app {

namespace {
// The window property that counts the running scopes; absent when none runs.
constexpr wchar_t kBusyScopes[] = L"LabelPrint.BusyScopes";

int ScopesOf(HWND window) noexcept {
    return static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropW(window, kBusyScopes)));
}

void SetScopes(HWND window, int scopes) noexcept {
    if (scopes > 0) {
        ::SetPropW(window, kBusyScopes, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(scopes)));
    } else {
        ::RemovePropW(window, kBusyScopes);
    }
}

// Sets the pointer now, as a move of it would, when it is over the window or one of its controls. The
// pointer does not move, so the system asks no one: ask the window under it the way a move would.
void RefreshPointer(HWND window) noexcept {
    POINT at{};
    if (!::GetCursorPos(&at)) return;
    HWND under = ::WindowFromPoint(at);
    if (!under || (under != window && !::IsChild(window, under))) return;
    LRESULT hit = ::SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
    ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(LOWORD(hit), WM_MOUSEMOVE));
}
}  // namespace

BusyPointer::BusyPointer(HWND window) noexcept : window_(window) {
    int scopes = ScopesOf(window_);
    SetScopes(window_, scopes + 1);
    if (scopes == 0) RefreshPointer(window_);
}

BusyPointer::~BusyPointer() {
    int scopes = ScopesOf(window_) - 1;
    SetScopes(window_, scopes);
    if (scopes <= 0) RefreshPointer(window_);
}

BusyPointer::Pause::Pause(HWND window) noexcept : window_(window), scopes_(ScopesOf(window)) {
    if (scopes_ == 0) return;
    SetScopes(window_, 0);
    RefreshPointer(window_);
}

BusyPointer::Pause::~Pause() {
    if (scopes_ == 0) return;
    SetScopes(window_, scopes_);
    RefreshPointer(window_);
}

bool ShowBusyPointer(HWND window) noexcept {
    if (ScopesOf(window) <= 0 || !::IsWindowEnabled(window)) return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_APPSTARTING));
    return true;
}

}  // namespace app
