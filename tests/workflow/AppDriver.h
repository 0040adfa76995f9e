#pragma once
// Drives the real labelprint.exe from outside, as an operator would: a private copy of the program
// in a scratch folder (so each scenario has its own config.ini), posted keys and clicks, the focus,
// texts and message boxes of its window.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
#include "win/UniqueResource.h"

namespace workflow {

struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::wstring title;
    std::wstring text;
    bool ok = false, cancel = false, retry = false;
    bool icon = false;

    // All of it in one line: "标签打印: 查询ITEM不存在！ [OK]", "出错提示: 没有选定文件 [Retry Cancel] icon".
    std::wstring Summary() const;
};

// Polls until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000, DWORD pollMs = 5);

// A program a test started; throws, saying why, when Windows cannot start it.
class Process {
public:
    Process() = default;
    Process(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder = {});

    bool Running() const;
    bool WaitForExit(DWORD timeoutMs) const;
    DWORD ExitCode() const;  // STILL_ACTIVE while it runs
    DWORD id() const noexcept { return id_; }
    HANDLE handle() const noexcept { return handle_.get(); }

private:
    win::UniqueHandle handle_;
    DWORD id_ = 0;
};

// config.ini as the program reads it beside itself, in GBK; what is left empty is not written.
struct Settings {
    std::wstring keyColumn;      // [settings] 查询列, as the file holds it
    std::wstring workbook;       // [DATA] DB
    std::wstring labelTemplate;  // [DATA] TP
    std::wstring printer;        // [print] printer
};
std::string ConfigIni(const Settings& settings);

class LabelPrintApp {
public:
    // A copy of labelprint.exe in a fresh folder; configIni holds the raw bytes of config.ini, if any.
    explicit LabelPrintApp(const std::wstring& name, std::optional<std::string> configIni = std::nullopt);
    ~LabelPrintApp();
    LabelPrintApp(const LabelPrintApp&) = delete;
    LabelPrintApp& operator=(const LabelPrintApp&) = delete;

    const std::wstring& folder() const noexcept { return dir_.path(); }
    std::wstring configPath() const { return dir_ / L"config.ini"; }

    // Starts the program and waits until it has built its (still hidden) window. A start that failed
    // before the program ran (Wine could not start it, or it ended at once without a window) is tried
    // again; throws, saying why, when no attempt got that far.
    void Launch();
    // Waits until the window is visible with every control in place.
    bool WaitForWindow(DWORD timeoutMs = 20000);
    // What keeps the window from view: the program's end, a message box, or nothing seen.
    std::string WhyNoWindow() const;
    HWND window() const noexcept { return window_; }
    // The main window whether or not it is visible yet.
    HWND FindMainWindow() const;

    HWND Control(int id) const;
    std::wstring Text(int id) const;
    void SetText(int id, const std::wstring& text);
    bool Enabled(int id) const;
    // Position of a control in the window's client area: left, top, width, height.
    RECT Placement(int id) const;

    void PostKey(int id, WPARAM key);
    void PostEnter(int id) { PostKey(id, VK_RETURN); }
    // One key-down message alone; autoRepeat marks it as the keyboard's repeat of a held key.
    void PostKeyDown(int id, WPARAM key, bool autoRepeat = false);
    void PostClick(int id);
    void PostMouseClick(int id);
    // One mouse message at a point of the control's client area (x, y may lie outside it).
    void PostMouse(int id, UINT message, int x, int y);
    // Real keystrokes through the system's input, to the focused control of the program's window
    // (brought to the front first): the keys go down in order and come up in reverse order, so
    // {VK_MENU, VK_RETURN} is Alt+Enter; or, with firstUpFirst, in the order they went down.
    // False when the window could not be brought to the front.
    bool SendKeys(std::initializer_list<WORD> keys, bool firstUpFirst = false);
    // Moves the pointer over the middle of a control.
    void PointAt(int id) const;
    // The pointer's shape as the program set it last (it sets it whenever the pointer moves over it).
    // The handle belongs to the program: it tells shapes apart, but is no handle of this process.
    HCURSOR Cursor() const;
    // The id of the control that has the focus in the program's window thread (0 for none).
    int FocusId() const;
    bool WaitForFocus(int id, DWORD timeoutMs = 20000) const;

    // The operator's way to a lookup: Enter in both spare boxes, the key, Enter. False when the
    // focus never reached the key box.
    bool EnterKey(const std::wstring& key);
    // The same, and true once the focus reached the quantity box: the item was found.
    bool FindItem(const std::wstring& key);
    // Presses 打印 and waits until the print is over: the button enabled again with a result on the
    // status line, or a message, which is closed and returned.
    std::optional<MessageBoxInfo> Print();

    // The open-file dialog with the given title, its file types as shown, and choosing or cancelling in it.
    // OpenFileDialog clicks the control (a button, or a path box with the mouse) and waits for the dialog;
    // ChooseFile then chooses the path there, false when no dialog of that title came up.
    HWND OpenFileDialog(int control, const std::wstring& title);
    bool ChooseFile(int control, const std::wstring& title, const std::wstring& path);
    HWND WaitForFileDialog(const std::wstring& title, DWORD timeoutMs = 20000) const;
    HWND FindFileDialog() const;
    std::vector<std::wstring> FileTypes(HWND dialog) const;
    void ChooseInFileDialog(HWND dialog, const std::wstring& path) const;
    void CancelFileDialog(HWND dialog) const;

    std::optional<MessageBoxInfo> WaitForMessageBox(DWORD timeoutMs = 20000) const;
    // The message box that follows the one with the given text, once that one has been answered.
    std::optional<MessageBoxInfo> WaitForNextMessageBox(const std::wstring& previousText) const;
    std::optional<MessageBoxInfo> FindMessageBox() const;
    void Answer(const MessageBoxInfo& box, int button) const;
    // Answers the message box and waits until it is gone.
    void Close(const MessageBoxInfo& box, int button = IDOK) const;

    bool Running() const { return process_.Running(); }
    bool WaitForExit(DWORD timeoutMs = 20000) const { return process_.WaitForExit(timeoutMs); }
    DWORD ExitCode() const { return process_.ExitCode(); }
    DWORD ProcessId() const noexcept { return process_.id(); }

private:
    testing_support::TempDir dir_;
    std::wstring exe_;
    Process process_;
    HWND window_ = nullptr;
};

// The one way a scenario starts the program: a copy with these settings (none: no config.ini), its
// window shown. Throws, saying why, when the window does not appear, which fails the test there.
std::unique_ptr<LabelPrintApp> Start(const std::wstring& name, std::optional<std::string> configIni = std::nullopt);
inline std::unique_ptr<LabelPrintApp> Start(const std::wstring& name, const Settings& settings) {
    return Start(name, ConfigIni(settings));
}

}  // namespace workflow
