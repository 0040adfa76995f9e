#pragma once
// Drives the real labelprint.exe from outside, as an operator would: a private copy of the program
// in a scratch folder (so each scenario has its own config.ini), posted keys and clicks, the focus,
// texts and message boxes of its window.
#include <windows.h>

#include <functional>
#include <initializer_list>
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
};

// Polls until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000, DWORD pollMs = 5);

class LabelPrintApp {
public:
    // A copy of labelprint.exe in a fresh folder; configIni holds the raw bytes of config.ini, if any.
    explicit LabelPrintApp(const std::wstring& name, std::optional<std::string> configIni = std::nullopt);
    ~LabelPrintApp();
    LabelPrintApp(const LabelPrintApp&) = delete;
    LabelPrintApp& operator=(const LabelPrintApp&) = delete;

    const std::wstring& folder() const noexcept { return dir_.path(); }
    std::wstring configPath() const { return dir_ / L"config.ini"; }

    void Start();
    // Starts the program and waits until its window is visible with every control in place.
    bool StartAndWaitForWindow();
    bool WaitForWindow(DWORD timeoutMs = 20000);
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

    // The open-file dialog with the given title, its file types as shown, and choosing or cancelling in it.
    HWND WaitForFileDialog(const std::wstring& title, DWORD timeoutMs = 20000) const;
    HWND FindFileDialog() const;
    std::vector<std::wstring> FileTypes(HWND dialog) const;
    void ChooseInFileDialog(HWND dialog, const std::wstring& path) const;
    void CancelFileDialog(HWND dialog) const;

    std::optional<MessageBoxInfo> WaitForMessageBox(DWORD timeoutMs = 20000) const;
    std::optional<MessageBoxInfo> FindMessageBox() const;
    void Answer(const MessageBoxInfo& box, int button) const;

    bool Running() const;
    bool WaitForExit(DWORD timeoutMs = 20000) const;
    DWORD ExitCode() const;
    DWORD ProcessId() const noexcept { return pid_; }

private:
    testing_support::TempDir dir_;
    std::wstring exe_;
    win::UniqueHandle process_;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
};

}  // namespace workflow
