// The window itself: its creation, its controls laid out at its DPI, and the routing of the window's and
// the controls' messages to the handlers in the workflow's files.
#include "app/MainWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "win/Dpi.h"
#include "win/Font.h"
#include "win/MessagePump.h"
#include "win/ModulePath.h"

namespace app {

namespace {
constexpr wchar_t kWindowClass[] = L"LabelPrint.frmMain";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = 0;
constexpr UINT_PTR kSubclassId = 1;
bool IsPathBox(ControlId id) { return id == WorkbookBox || id == TemplateBox; }

// The window's outer size around the design's client area, at a DPI.
SIZE FrameSize(UINT dpi) {
    RECT client{0, 0, win::Scale(kClientWidth, dpi), win::Scale(kClientHeight, dpi)};
    RECT frame = win::FrameAround(client, kWindowStyle, kWindowExStyle, dpi);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

// A control's place in the client area: its 96-DPI place, scaled.
struct Place {
    int left, top, width, height;
};
Place PlaceAt(const ControlSpec& spec, UINT dpi) {
    return {win::Scale(spec.left, dpi), win::Scale(spec.top, dpi), win::Scale(spec.width, dpi),
            win::Scale(spec.height, dpi)};
}
}  // namespace

bool MainWindow::Create(HINSTANCE instance) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = &MainWindow::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    // A second window in the same process (the tests make several) shares the class.
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    // The layout is in pixels of the client area at 96 DPI, scaled to the DPI of the screen.
    dpi_ = win::ScreenDpi();
    SIZE frame = FrameSize(dpi_);
    hwnd_ = ::CreateWindowExW(kWindowExStyle, kWindowClass, kWindowCaption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.cx, frame.cy, nullptr, nullptr, instance, this);
    if (!hwnd_) return false;
    // With monitors of different scaling the window can open on one whose DPI is not the screen's; and
    // on a screen smaller than the window, creation cut it down before it could object (WM_GETMINMAXINFO
    // comes first of all its messages).
    dpi_ = win::DpiOf(hwnd_);
    frame = FrameSize(dpi_);
    RECT created{};
    ::GetWindowRect(hwnd_, &created);
    if (created.right - created.left != frame.cx || created.bottom - created.top != frame.cy)
        ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CreateControls();
    SetIcons();
    win::SetNavigationWindow(hwnd_);
    return true;
}

MainWindow::Fonts MainWindow::MakeFonts(UINT dpi) {
    Fonts fonts;
    fonts.window = win::CreatePointFont(L"Arial Narrow", 18, true, dpi);
    fonts.arial18 = win::CreatePointFont(L"Arial", 18, false, dpi);
    fonts.arial15 = win::CreatePointFont(L"Arial", 15, false, dpi);
    fonts.arial1425 = win::CreatePointFont(L"Arial", 14.25, false, dpi);
    return fonts;
}

HFONT MainWindow::Fonts::For(FontId font) const {
    switch (font) {
        case FontId::Window: return window.get();
        case FontId::Arial18: return arial18.get();
        case FontId::Arial15: return arial15.get();
        case FontId::Arial1425: return arial1425.get();
    }
    return nullptr;
}

void MainWindow::CreateControls() {
    fonts_ = MakeFonts(dpi_);

    // Creation order is z-order, and z-order is the Tab order.
    std::vector<ControlSpec> byTab(kControls.begin(), kControls.end());
    std::sort(byTab.begin(), byTab.end(), [](const auto& a, const auto& b) { return a.tabIndex < b.tabIndex; });

    HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    for (const ControlSpec& spec : byTab) {
        const wchar_t* cls = WC_STATICW;
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        switch (spec.kind) {
            case Kind::Label:
                style |= SS_LEFT | (spec.id == StatusLine ? SS_NOTIFY : 0);
                break;
            case Kind::TextBox:
                cls = WC_EDITW;
                style |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
                exStyle = WS_EX_CLIENTEDGE;
                break;
            case Kind::Button:
                cls = WC_BUTTONW;
                style |= WS_TABSTOP | BS_PUSHBUTTON;
                break;
        }
        Place place = PlaceAt(spec, dpi_);
        HWND control = ::CreateWindowExW(exStyle, cls, spec.caption, style, place.left, place.top, place.width,
                                         place.height, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)),
                                         instance, nullptr);
        if (!control) continue;
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.For(spec.font)), FALSE);
        if (spec.kind == Kind::TextBox) ::SendMessageW(control, EM_SETLIMITTEXT, 0, 0);  // no length limit
        if (spec.kind != Kind::Label)
            ::SetWindowSubclass(control, &MainWindow::ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
}

// Moves every control to its place at the window's DPI and gives it its font made for that DPI.
void MainWindow::LayOut() {
    // The controls draw with the old fonts until they have the new ones: those go only afterwards.
    Fonts oldFonts = std::exchange(fonts_, MakeFonts(dpi_));
    for (const ControlSpec& spec : kControls) {
        HWND control = Control(spec.id);
        if (!control) continue;
        Place place = PlaceAt(spec, dpi_);
        // The z-order stays: it is the Tab order.
        ::SetWindowPos(control, nullptr, place.left, place.top, place.width, place.height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.For(spec.font)), TRUE);
    }
}

// The icons of the caption and the task switcher, in the sizes of the window's DPI.
void MainWindow::SetIcons() {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    auto load = [&](int width, int height) {
        return win::UniqueIcon(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                               win::SystemMetric(width, dpi_),
                                                               win::SystemMetric(height, dpi_), LR_DEFAULTCOLOR)));
    };
    // The window lets go of the old icons only once it has the new ones.
    if (win::UniqueIcon icon = load(SM_CXSMICON, SM_CYSMICON)) {
        ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.get()));
        smallIcon_ = std::move(icon);
    }
    if (win::UniqueIcon icon = load(SM_CXICON, SM_CYICON)) {
        ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.get()));
        bigIcon_ = std::move(icon);
    }
}

// The system keeps a window within the screen unless the window allows more. Cut down, this one would
// hide its lower and right controls where nothing scrolls to them; whole, it can be moved to show them.
void MainWindow::KeepFullSize(MINMAXINFO& limits) const {
    SIZE frame = FrameSize(dpi_);
    limits.ptMaxTrackSize.x = std::max(limits.ptMaxTrackSize.x, frame.cx);
    limits.ptMaxTrackSize.y = std::max(limits.ptMaxTrackSize.y, frame.cy);
}

// The window is shown at another DPI now: moved to a monitor of another scaling, or the scaling
// changed. It takes the place the system suggests and lays the controls out anew. The resize that
// comes with it is none of the operator's, so the focus stays where it is (see WM_SIZE); the texts and
// selections stay in their controls.
void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    changingDpi_ = true;
    ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    changingDpi_ = false;
    LayOut();
    SetIcons();
}

void MainWindow::Show(int showCommand) {
    ::ShowWindow(hwnd_, showCommand);
    ::UpdateWindow(hwnd_);
    // The first appearance counts as a resize, whether or not the system sent one.
    OnResize();
}

HWND MainWindow::Control(ControlId id) const { return ::GetDlgItem(hwnd_, id); }

std::wstring MainWindow::TextOf(ControlId id) const {
    HWND control = Control(id);
    if (!control) return {};
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    int n = ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return text;
}

void MainWindow::SetTextOf(ControlId id, const std::wstring& text) { ::SetWindowTextW(Control(id), text.c_str()); }

void MainWindow::FocusOn(ControlId id) {
    HWND control = Control(id);
    // A disabled control cannot take the focus; the move is then skipped.
    if (control && ::IsWindowEnabled(control)) ::SetFocus(control);
}

void MainWindow::ShowMessage(const std::wstring& text) {
    ServerWait::Question pause(hwnd_);
    ::MessageBoxW(hwnd_, text.c_str(), kAppTitle, MB_OK);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    try {
        if (msg == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            auto* self = static_cast<MainWindow*>(create->lpCreateParams);
            self->hwnd_ = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        return self ? self->HandleMessage(msg, wParam, lParam) : ::DefWindowProcW(hwnd, msg, wParam, lParam);
    } catch (...) {
        // An exception must not unwind through the system's message dispatch. The message counts as
        // handled; what the handler did before it failed stays done.
        return 0;
    }
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SETCURSOR:
            // Every control passes the question up here first, so this covers the whole window.
            if (ShowWorkPointer(hwnd_)) return TRUE;
            break;
        case WM_SIZE:
            if (!changingDpi_) OnResize();
            return 0;
        case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
        case WM_GETDPISCALEDSIZE:
            // The client area at the new DPI is the design's scaled, as the layout is.
            *reinterpret_cast<SIZE*>(lParam) = FrameSize(static_cast<UINT>(wParam));
            return TRUE;
        case WM_GETMINMAXINFO: KeepFullSize(*reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
        case WM_ACTIVATE: OnActivate(wParam); return 0;
        case WM_SETFOCUS: OnFocus(); return 0;
        case WM_COMMAND:
            OnCommand(static_cast<ControlId>(LOWORD(wParam)), HIWORD(wParam));
            return 0;
        case WM_DESTROY: OnUnload(); return 0;
        case WM_QUERYENDSESSION: return OnQueryEndSession();
        case kEndSessionSteps: EndSessionSteps(); return 0;
    }
    return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void MainWindow::OnCommand(ControlId id, UINT code) {
    if (id == StatusLine && code == STN_CLICKED) return OnHelpClick();
    if (code != BN_CLICKED) return;
    switch (id) {
        case ExitButton: return OnExitClick();
        case ChooseWorkbookButton: return ChooseFile(kChooseWorkbook);
        case PrintButton:
            // A click that reaches the button while a print runs (it is disabled then) starts nothing.
            if (::IsWindowEnabled(Control(PrintButton))) PrintLabels();
            return;
        case ChooseTemplateButton: return ChooseFile(kChooseTemplate);
        default: return;
    }
}

LRESULT CALLBACK MainWindow::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) noexcept {
    try {
        auto id = static_cast<ControlId>(::GetDlgCtrlID(hwnd));
        return reinterpret_cast<MainWindow*>(self)->HandleControlMessage(hwnd, id, msg, wParam, lParam);
    } catch (...) {
        // As in WindowProc: the message counts as handled and the control goes on.
        return 0;
    }
}

LRESULT MainWindow::HandleControlMessage(HWND control, ControlId id, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (auto handled = OnControlKey(control, id, msg, wParam, lParam)) return *handled;
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (IsPathBox(id)) return OnPathBoxMouse(control, id, msg, wParam, lParam);
            break;
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(control, &MainWindow::ControlProc, kSubclassId);
            break;
    }
    return ::DefSubclassProc(control, msg, wParam, lParam);
}

// A click into a path box chooses its file: the left button must go down in the box and come up in it
// again. A release alone (say the one after a double-click that closed the open-file dialog above the
// box) chooses nothing. The box handles every message itself as well; it holds the mouse from the
// press to the release, so the release comes here even when it happens outside.
LRESULT MainWindow::OnPathBoxMouse(HWND control, ControlId id, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CAPTURECHANGED) {
        // Something else took the mouse between press and release: no click.
        if (pressedPathBox_ == control) pressedPathBox_ = nullptr;
        return ::DefSubclassProc(control, msg, wParam, lParam);
    }
    if (msg != WM_LBUTTONUP) {
        LRESULT result = ::DefSubclassProc(control, msg, wParam, lParam);
        pressedPathBox_ = control;
        return result;
    }
    RECT box{};
    ::GetClientRect(control, &box);
    bool clicked = pressedPathBox_ == control && ::PtInRect(&box, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    pressedPathBox_ = nullptr;
    // The box ends its own click first (it lets go of the mouse).
    LRESULT result = ::DefSubclassProc(control, msg, wParam, lParam);
    if (clicked) ChooseFile(id == WorkbookBox ? kClickWorkbook : kClickTemplate);
    return result;
}

}  // namespace app
