#include "tests/workflow/AppDriver.h"

#include <cstdio>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "app/Controls.h"
#include "tests/workflow/Standins.h"

using namespace testing_support;

namespace workflow {

namespace {
constexpr int kMessageBoxText = 0xFFFF;
// The icon control of the system message box.
constexpr int kMessageBoxIcon = 1088;
// The open-file dialog's file name box and file type list.
constexpr int kFileNameBox = 0x47C;
constexpr int kFileTypeBox = 0x470;
// Wine sometimes fails to start a process, or starts one that ends at once: tries before giving up.
constexpr int kStartAttempts = 3;

std::wstring WindowText(HWND hwnd) {
    wchar_t buffer[4096] = {};
    DWORD_PTR n = 0;
    ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &n);
    return buffer;
}

std::wstring ClassName(HWND hwnd) {
    wchar_t buffer[256] = {};
    ::GetClassNameW(hwnd, buffer, 256);
    return buffer;
}

bool IsDialog(HWND hwnd) { return ClassName(hwnd) == L"#32770"; }

// The top-level windows of a process that pass the test, front to back.
std::vector<HWND> TopWindows(DWORD pid, const std::function<bool(HWND)>& wanted) {
    struct Search {
        DWORD pid;
        const std::function<bool(HWND)>& wanted;
        std::vector<HWND> found;
    } search{pid, wanted, {}};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(hwnd, &pid);
            if (pid == s->pid && s->wanted(hwnd)) s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", value);
    return text;
}
}  // namespace

std::wstring MessageBoxInfo::Summary() const {
    std::wstring buttons = std::wstring(ok ? L" OK" : L"") + (retry ? L" Retry" : L"") + (cancel ? L" Cancel" : L"");
    return title + L": " + text + L" [" + (buttons.empty() ? buttons : buttons.substr(1)) + L"]" +
           (icon ? L" icon" : L"");
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(pollMs);
    }
}

Process::Process(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder) {
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        throw std::runtime_error("cannot start " + Utf8(exe) + ": error " + std::to_string(::GetLastError()));
    ::CloseHandle(pi.hThread);
    handle_.reset(pi.hProcess);
    id_ = pi.dwProcessId;
}

bool Process::Running() const { return handle_ && ::WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT; }

bool Process::WaitForExit(DWORD timeoutMs) const {
    return handle_ && ::WaitForSingleObject(handle_.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (handle_) ::GetExitCodeProcess(handle_.get(), &code);
    return code;
}

std::string ConfigIni(const Settings& settings) {
    std::wstring ini;
    if (!settings.keyColumn.empty()) ini += L"[settings]\r\n查询列=" + settings.keyColumn + L"\r\n";
    if (!settings.workbook.empty() || !settings.labelTemplate.empty()) ini += L"[DATA]\r\n";
    if (!settings.workbook.empty()) ini += L"DB=" + settings.workbook + L"\r\n";
    if (!settings.labelTemplate.empty()) ini += L"TP=" + settings.labelTemplate + L"\r\n";
    if (!settings.printer.empty()) ini += L"[print]\r\nprinter=" + settings.printer + L"\r\n";
    return Gbk(ini);
}

LabelPrintApp::LabelPrintApp(const std::wstring& name, std::optional<std::string> configIni)
    : dir_(name), exe_(dir_ / L"labelprint.exe") {
    // A benchmark may run another build of the program against the same stand-ins.
    wchar_t other[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"LABELPRINT_PROGRAM", other, MAX_PATH);
    const bool otherBuild = length > 0 && length < MAX_PATH;
    const std::wstring program = otherBuild ? std::wstring(other) : BinFolder() + L"\\labelprint.exe";
    if (!::CopyFileW(program.c_str(), exe_.c_str(), FALSE))
        throw std::runtime_error("cannot copy labelprint.exe");
    if (configIni) WriteBytes(configPath(), *configIni);
}

LabelPrintApp::~LabelPrintApp() {
    if (Running()) {
        // End it the operator's way first, so BarTender is told to quit; force it only if that hangs.
        if (auto box = FindMessageBox()) Answer(*box, IDOK);
        HWND main = FindMainWindow();
        if (main) ::PostMessageW(main, WM_CLOSE, 0, 0);
        if (!WaitForExit(10000)) {
            ::TerminateProcess(process_.handle(), 99);
            WaitForExit(5000);
            EndStrayStandins();
        }
    }
}

void LabelPrintApp::Launch() {
    std::string failures;
    for (int attempt = 1; attempt <= kStartAttempts; ++attempt) {
        if (attempt > 1) ::Sleep(500);
        DWORD started = ::GetTickCount();
        try {
            process_ = Process(exe_, L"", folder());
        } catch (const std::exception& e) {
            failures += "\n  attempt " + std::to_string(attempt) + ": " + e.what();
            continue;
        }
        // The window exists, hidden, before the program does anything that could end it.
        WaitUntil([&] { return FindMainWindow() || FindMessageBox() || !Running(); });
        if (FindMainWindow() || FindMessageBox() || Running()) return;
        failures += "\n  attempt " + std::to_string(attempt) + ": labelprint.exe ended with exit code " +
                    Hex(ExitCode()) + " after " + std::to_string(::GetTickCount() - started) +
                    " ms, before its window existed";
    }
    throw std::runtime_error("the program did not start:" + failures);
}

std::unique_ptr<LabelPrintApp> Start(const std::wstring& name, std::optional<std::string> configIni) {
    auto app = std::make_unique<LabelPrintApp>(name, std::move(configIni));
    app->Launch();
    if (!app->WaitForWindow()) throw std::runtime_error("the program showed no window: " + app->WhyNoWindow());
    return app;
}

std::string LabelPrintApp::WhyNoWindow() const {
    if (!Running()) return "it ended with exit code " + Hex(ExitCode());
    if (auto box = FindMessageBox()) return "a message box says \"" + Utf8(box->text) + "\"";
    HWND main = FindMainWindow();
    if (!main) return "it is running but has no window";
    return ::IsWindowVisible(main) ? "its window is missing controls" : "its window stayed hidden";
}

HWND LabelPrintApp::FindMainWindow() const {
    std::vector<HWND> found = TopWindows(ProcessId(), [](HWND hwnd) {
        return !IsDialog(hwnd) && WindowText(hwnd) == app::kWindowCaption;
    });
    return found.empty() ? nullptr : found.front();
}

bool LabelPrintApp::WaitForWindow(DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            HWND main = FindMainWindow();
            if (!main || !::IsWindowVisible(main) || !::GetDlgItem(main, app::ExitButton)) return false;
            window_ = main;
            return true;
        },
        timeoutMs);
}

HWND LabelPrintApp::Control(int id) const { return window_ ? ::GetDlgItem(window_, id) : nullptr; }

std::wstring LabelPrintApp::Text(int id) const { return WindowText(Control(id)); }

void LabelPrintApp::SetText(int id, const std::wstring& text) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                          &result);
}

bool LabelPrintApp::Enabled(int id) const { return ::IsWindowEnabled(Control(id)) != FALSE; }

RECT LabelPrintApp::Placement(int id) const {
    RECT r{};
    ::GetWindowRect(Control(id), &r);
    ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    return RECT{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void LabelPrintApp::PostKey(int id, WPARAM key) {
    UINT scan = ::MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    ::PostMessageW(Control(id), WM_KEYDOWN, key, 1 | (scan << 16));
    ::PostMessageW(Control(id), WM_KEYUP, key, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

void LabelPrintApp::PostKeyDown(int id, WPARAM key, bool autoRepeat) {
    UINT scan = ::MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    ::PostMessageW(Control(id), WM_KEYDOWN, key, 1 | (scan << 16) | (autoRepeat ? 1u << 30 : 0));
}

void LabelPrintApp::PostClick(int id) { ::PostMessageW(Control(id), BM_CLICK, 0, 0); }

void LabelPrintApp::PostMouseClick(int id) {
    PostMouse(id, WM_LBUTTONDOWN, 5, 5);
    PostMouse(id, WM_LBUTTONUP, 5, 5);
}

void LabelPrintApp::PostMouse(int id, UINT message, int x, int y) {
    ::PostMessageW(Control(id), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
}

bool LabelPrintApp::SendKeys(std::initializer_list<WORD> keys, bool firstUpFirst) {
    ::SetForegroundWindow(window_);
    if (!WaitUntil([&] { return ::GetForegroundWindow() == window_; }, 5000)) return false;
    std::vector<INPUT> inputs;
    auto add = [&](WORD key, DWORD flags) {
        INPUT input{INPUT_KEYBOARD};
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD key : keys) add(key, 0);
    if (firstUpFirst) {
        for (WORD key : keys) add(key, KEYEVENTF_KEYUP);
    } else {
        for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) add(*key, KEYEVENTF_KEYUP);
    }
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

void LabelPrintApp::PointAt(int id) const {
    RECT r{};
    ::GetWindowRect(Control(id), &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

HCURSOR LabelPrintApp::Cursor() const {
    // The shape of the thread in front: the program's window thread, once its window is in front.
    CURSORINFO info{sizeof(info)};
    return ::GetCursorInfo(&info) ? info.hCursor : nullptr;
}

int LabelPrintApp::FocusId() const {
    HWND main = window_ ? window_ : FindMainWindow();
    if (!main) return 0;
    GUITHREADINFO info{sizeof(info)};
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &info) || !info.hwndFocus) return 0;
    return ::GetDlgCtrlID(info.hwndFocus);
}

bool LabelPrintApp::WaitForFocus(int id, DWORD timeoutMs) const {
    return WaitUntil([&] { return FocusId() == id; }, timeoutMs);
}

bool LabelPrintApp::EnterKey(const std::wstring& key) {
    PostEnter(app::Spare1Box);
    PostEnter(app::Spare2Box);
    if (!WaitForFocus(app::KeyBox)) return false;
    SetText(app::KeyBox, key);
    PostEnter(app::KeyBox);
    return true;
}

bool LabelPrintApp::FindItem(const std::wstring& key) { return EnterKey(key) && WaitForFocus(app::QuantityBox); }

std::optional<MessageBoxInfo> LabelPrintApp::Print() {
    SetText(app::StatusLine, L"");
    PostClick(app::PrintButton);
    std::optional<MessageBoxInfo> box;
    WaitUntil([&] {
        return (box = FindMessageBox()) || (!Text(app::StatusLine).empty() && Enabled(app::PrintButton));
    });
    if (box) {
        Close(*box);
        WaitUntil([&] { return Enabled(app::PrintButton); });
    }
    return box;
}

HWND LabelPrintApp::FindFileDialog() const {
    std::vector<HWND> found = TopWindows(ProcessId(), [](HWND hwnd) {
        return ::IsWindowVisible(hwnd) && IsDialog(hwnd) && ::GetDlgItem(hwnd, kFileNameBox);
    });
    return found.empty() ? nullptr : found.front();
}

HWND LabelPrintApp::OpenFileDialog(int control, const std::wstring& title) {
    if (ClassName(Control(control)) == L"Button") {
        PostClick(control);
    } else {
        PostMouseClick(control);
    }
    return WaitForFileDialog(title);
}

bool LabelPrintApp::ChooseFile(int control, const std::wstring& title, const std::wstring& path) {
    HWND dialog = OpenFileDialog(control, title);
    if (dialog) ChooseInFileDialog(dialog, path);
    return dialog != nullptr;
}

HWND LabelPrintApp::WaitForFileDialog(const std::wstring& title, DWORD timeoutMs) const {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindFileDialog()) != nullptr && WindowText(dialog) == title; }, timeoutMs);
    return dialog && WindowText(dialog) == title ? dialog : nullptr;
}

std::vector<std::wstring> LabelPrintApp::FileTypes(HWND dialog) const {
    std::vector<std::wstring> types;
    HWND combo = ::GetDlgItem(dialog, kFileTypeBox);
    DWORD_PTR count = 0;
    ::SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
    for (DWORD_PTR i = 0; i < count; ++i) {
        wchar_t item[512] = {};
        DWORD_PTR n = 0;
        ::SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item), SMTO_ABORTIFHUNG, 5000, &n);
        types.push_back(item);
    }
    return types;
}

void LabelPrintApp::ChooseInFileDialog(HWND dialog, const std::wstring& path) const {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(::GetDlgItem(dialog, kFileNameBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                          SMTO_ABORTIFHUNG, 5000, &result);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void LabelPrintApp::CancelFileDialog(HWND dialog) const {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

std::optional<MessageBoxInfo> LabelPrintApp::FindMessageBox() const {
    std::vector<HWND> dialogs =
        TopWindows(ProcessId(), [](HWND hwnd) { return ::IsWindowVisible(hwnd) && IsDialog(hwnd); });
    for (HWND box : dialogs) {
        HWND text = ::GetDlgItem(box, kMessageBoxText);
        if (!text) continue;
        MessageBoxInfo info;
        info.hwnd = box;
        info.title = WindowText(box);
        info.text = WindowText(text);
        auto visible = [&](int id) {
            HWND button = ::GetDlgItem(box, id);
            return button && ::IsWindowVisible(button);
        };
        info.ok = visible(IDOK);
        info.cancel = visible(IDCANCEL);
        info.retry = visible(IDRETRY);
        HWND icon = ::GetDlgItem(box, kMessageBoxIcon);
        DWORD_PTR hicon = 0;
        if (icon && ::IsWindowVisible(icon))
            ::SendMessageTimeoutW(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &hicon);
        info.icon = hicon != 0;
        return info;
    }
    return std::nullopt;
}

std::optional<MessageBoxInfo> LabelPrintApp::WaitForMessageBox(DWORD timeoutMs) const {
    std::optional<MessageBoxInfo> box;
    WaitUntil([&] { return (box = FindMessageBox()).has_value(); }, timeoutMs);
    return box;
}

std::optional<MessageBoxInfo> LabelPrintApp::WaitForNextMessageBox(const std::wstring& previousText) const {
    std::optional<MessageBoxInfo> box;
    WaitUntil([&] {
        box = FindMessageBox();
        return box && !box->text.empty() && box->text != previousText;
    });
    return box;
}

void LabelPrintApp::Answer(const MessageBoxInfo& box, int button) const {
    ::PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

void LabelPrintApp::Close(const MessageBoxInfo& box, int button) const {
    Answer(box, button);
    WaitUntil([&] { return !::IsWindow(box.hwnd) || !::IsWindowVisible(box.hwnd); });
}

}  // namespace workflow
