#pragma once
// The program's one window: its controls, its run-time state and its event handlers.
// The handlers live in one file per piece of the operator's workflow:
//   Navigation.cpp  the keyboard path: the focus on resize and activation, the keys a control is sent,
//                   Enter in each box and button
//   Startup.cpp     start-up and the help link
//   Shutdown.cpp    the exit button, closing the window, and the end of the Windows session
//   FileChoice.cpp  choosing the workbook and the template
//   ItemLookup.cpp  Enter in the query box: find the item in the shipping list
//   LabelPrint.cpp  the print button
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Controls.h"
#include "app/ServerWait.h"
#include "services/FileStamp.h"
#include "win/CallThread.h"
#include "win/ComPtr.h"
#include "win/Dispatch.h"
#include "win/Dpi.h"
#include "win/OpenFileDialog.h"
#include "win/ServerProcess.h"
#include "win/UniqueResource.h"
#include "win/Variant.h"

namespace app {

// BarTender as the program holds it: the instance started at start-up (or the one that replaced it), the
// template the last print opened, and the process behind them. Only BarTender's call thread touches it.
struct BarTenderHold {
    win::ComPtr<IDispatch> app;
    std::optional<win::DispatchCache> format;
    win::ServerProcess process;  // known when the program started that process itself
    bool working = false;        // its version read as a positive number
    bool printed = false;        // the last print's PrintOut went through
};
using BarTenderThread = win::ServerThread<BarTenderHold>;

// What one lookup holds of Excel, on the lookup's own call thread, and what it copied.
struct ExcelHold {
    win::ComPtr<IDispatch> excel, workbook, sheet, range;
    bool ownInstance = false;     // the lookup started this Excel: only such an instance is hidden or quit
    bool openedWorkbook = false;  // the lookup opened the workbook: only such a workbook is closed
    win::ServerProcess process;   // the process of an Excel the lookup started
    win::Variant lastRow, block;  // read by the lookup's steps, taken over by the window
    bool withoutFormulas = false; // no cell of the block holds a formula
};
using ExcelThread = win::ServerThread<ExcelHold>;

// BarTender being started on its call thread while the window is built (connecting to it takes longer),
// which start-up then waits for.
struct BarTenderStart {
    std::unique_ptr<BarTenderThread> server;
    std::shared_ptr<win::PendingCall> created;
    std::optional<win::ServerProcess::Creation> creation;
};

class MainWindow {
public:
    // barTender: BarTender being started (see StartBarTender), which start-up takes over; without it
    // start-up finds no BarTender.
    explicit MainWindow(BarTenderStart barTender = {}) : barTenderStart_(std::move(barTender)) {}
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Starts BarTender on its call thread: connecting to it takes longer than building the window, so
    // the two overlap. Start-up waits for it at the point where it needs it.
    static BarTenderStart StartBarTender();
    // Creates the window and its controls, hidden.
    bool Create(HINSTANCE instance);
    // The start-up sequence. Ends the program when BarTender is not there.
    void Load();
    // Shows the window: the first resize puts the focus into the first spare-item box.
    void Show(int showCommand);
    HWND hwnd() const noexcept { return hwnd_; }

private:
    // Posted to itself: run the unload steps of a session that is ending (Shutdown.cpp).
    static constexpr UINT kEndSessionSteps = WM_APP + 10;

    // No exception leaves these two: a handler that fails outside its guarded steps ends there, and
    // the window goes on.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR self) noexcept;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleControlMessage(HWND control, ControlId id, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnCommand(ControlId id, UINT code);
    LRESULT OnPathBoxMouse(HWND control, ControlId id, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryEndSession();

    // The keyboard path and the focus (Navigation.cpp).
    void OnResize();
    void OnActivate(WPARAM state);
    void OnFocus();
    std::optional<LRESULT> OnControlKey(HWND control, ControlId id, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnKeyDown(ControlId id, WPARAM key);
    void OnEnter(HWND control, ControlId id, LPARAM keyData);

    // The fonts of the controls, made for one DPI.
    struct Fonts {
        win::UniqueFont window, arial18, arial15, arial1425;
        HFONT For(FontId font) const;
    };
    static Fonts MakeFonts(UINT dpi);
    void CreateControls();
    void LayOut();
    void SetIcons();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void KeepFullSize(MINMAXINFO& limits) const;
    HWND Control(ControlId id) const;
    std::wstring TextOf(ControlId id) const;
    void SetTextOf(ControlId id, const std::wstring& text);
    void FocusOn(ControlId id);
    void ShowMessage(const std::wstring& text);

    // Start-up (Startup.cpp) and shutdown (Shutdown.cpp).
    void OnUnload();
    void OnExitClick();
    void OnHelpClick();
    bool ReplaceBarTender(ServerWait& wait);
    void QuitBarTender(const ServerTexts& texts);
    void QuitBarTender(ServerWait& wait);
    static void QuitStep(BarTenderHold& b);
    void EndSessionSteps();
    void LetGoOfExcel(const ServerTexts& texts);
    [[noreturn]] void EndProgramNow(UINT exitCode);

    // Choosing files (FileChoice.cpp).
    struct FileChoice {
        ControlId box;           // the box that shows the chosen path
        const wchar_t* types;    // the dialog's file type list
        const wchar_t* title;    // the dialog's title
        const wchar_t* rememberAs;  // key in section "DATA" of the settings file, or nullptr for this run only
    };
    static const FileChoice kChooseWorkbook, kClickWorkbook, kChooseTemplate, kClickTemplate;
    void ChooseFile(const FileChoice& choice);

    // Item lookup (ItemLookup.cpp).
    enum class CopyOutcome { NoSpreadsheet, NotOpened, NotRead, Copied, CopiedWithoutFormulas };
    void LookUpItem();
    void ReportSearch();
    bool KeptCopyHolds(ServerWait& wait, const std::wstring& path);
    CopyOutcome CopyShippingList(ServerWait& wait, ExcelThread& xl, const std::wstring& path);
    bool SearchKey();

    // Printing (LabelPrint.cpp).
    void PrintLabels();
    void PrintOnce(ServerWait& wait);
    bool OpenTemplate(ServerWait& wait, const std::wstring& path);

    BarTenderStart barTenderStart_;
    HWND hwnd_ = nullptr;
    HWND focusToRestore_ = nullptr;
    HWND pressedPathBox_ = nullptr;  // the path box the left button went down in, until it comes up
    UINT dpi_ = win::kDesignDpi;     // the DPI the window is laid out for
    bool changingDpi_ = false;       // the window is being resized for a new DPI
    Fonts fonts_;
    win::UniqueIcon smallIcon_, bigIcon_;  // the caption's and the task switcher's icons at dpi_
    win::OpenFileDialog fileDialog_;  // the window's one open-file dialog

    // Run-time state of the window.
    std::unique_ptr<BarTenderThread> barTender_;  // BarTender for the whole run, and its call thread
    // Excel as the lookups under way hold it (a lookup can run inside another), so that ending the
    // program deals with each; each is owned by its lookup, which lists it while it runs.
    std::vector<ExcelThread*> lookups_;
    win::Variant lastRow_;                // last filled row of column A in the last lookup
    win::Variant sheetBlock_;             // the block A1:T(last row + 1) copied by the last lookup
    std::int32_t itemRow_ = 0;            // row of the last match
    bool itemFound_ = false;              // whether the last lookup matched
    std::int32_t keyColumn_ = 0;          // the workbook column searched, 1 = column A
    // The file the kept copy came from, while that copy is certain to be what the spreadsheet
    // application would hand over again.
    struct CopySource {
        std::wstring file;  // resolved path
        services::FileStamp stamp;
    };
    std::optional<CopySource> copySource_;
    int workStarted_ = 0;  // lookups and prints started so far: tells whether one ran inside a lookup
};

}  // namespace app
