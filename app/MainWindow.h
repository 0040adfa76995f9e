#pragma once
// The program's one window: its controls, its run-time state and its event handlers.
// The handlers live in one file per piece of the operator's workflow:
//   Startup.cpp     start-up, resize, Enter-key navigation, help link, exit, unload and session end
//   FileChoice.cpp  choosing the workbook and the template
//   ItemLookup.cpp  Enter in the query box: find the item in the shipping list
//   LabelPrint.cpp  the print button
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Controls.h"
#include "win/BackgroundCreate.h"
#include "win/ComPtr.h"
#include "win/Dpi.h"
#include "win/OpenFileDialog.h"
#include "win/UniqueResource.h"
#include "win/Variant.h"

namespace app {

class MainWindow {
public:
    // barTender: the BarTender instance being started in the background (see StartBarTender), which
    // start-up takes over; without it start-up finds no BarTender.
    explicit MainWindow(std::unique_ptr<win::BackgroundCreate> barTender = nullptr) : barTenderStart_(std::move(barTender)) {}
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Starts BarTender on a worker thread: connecting to it takes longer than building the window, so
    // the two overlap. Start-up takes the instance over at the point where it needs it.
    static std::unique_ptr<win::BackgroundCreate> StartBarTender();
    // Creates the window and its controls, hidden.
    bool Create(HINSTANCE instance);
    // The start-up sequence. Ends the program when BarTender is not there.
    void Load();
    // Shows the window: the first resize puts the focus into the first spare-item box.
    void Show(int showCommand);
    HWND hwnd() const noexcept { return hwnd_; }

private:
    // Posted to itself: run the unload steps of a session that is ending (Startup.cpp).
    static constexpr UINT kEndSessionSteps = WM_APP + 10;

    // No exception leaves these two: a handler that fails outside its guarded steps ends there, and
    // the window goes on.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR self) noexcept;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleControlMessage(HWND control, ControlId id, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnCommand(ControlId id, UINT code);
    void OnKeyDown(ControlId id, WPARAM key);
    void OnEnter(HWND control, ControlId id, LPARAM keyData);
    LRESULT OnPathBoxMouse(HWND control, ControlId id, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnActivate(WPARAM state);
    LRESULT OnQueryEndSession();

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
    void ShowMessage(const wchar_t* text);

    // Start-up and shutdown (Startup.cpp).
    void OnResize();
    void OnUnload();
    void OnExitClick();
    void OnHelpClick();
    void MoveFocusOnEnter(ControlId from, WPARAM key);
    bool ReplaceBarTender();
    void EndSessionSteps();
    void LetGoOfExcel();
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
    // What one lookup holds of Excel while it runs. The window lists the holds of the lookups under way
    // (a lookup can run inside another), so that ending the program deals with each.
    struct ExcelHold {
        win::ComPtr<IDispatch> excel, workbook, sheet;
        bool ownInstance = false;      // the lookup started this Excel: only such an instance is hidden or quit
        bool openedWorkbook = false;   // the lookup opened the workbook: only such a workbook is closed
    };
    void LookUpItem();
    bool CopyShippingList(ExcelHold& xl);
    bool SearchKey();

    // Printing (LabelPrint.cpp).
    void PrintLabels();
    void PrintOnce();
    bool OpenTemplate(const std::wstring& path);

    std::unique_ptr<win::BackgroundCreate> barTenderStart_;
    HWND hwnd_ = nullptr;
    HWND focusToRestore_ = nullptr;
    HWND pressedPathBox_ = nullptr;  // the path box the left button went down in, until it comes up
    UINT dpi_ = win::kDesignDpi;     // the DPI the window is laid out for
    bool changingDpi_ = false;       // the window is being resized for a new DPI
    Fonts fonts_;
    win::UniqueIcon smallIcon_, bigIcon_;  // the caption's and the task switcher's icons at dpi_
    win::OpenFileDialog fileDialog_;  // the window's one open-file dialog

    // Run-time state of the window.
    win::ComPtr<IDispatch> barTender_;    // the BarTender instance started at start-up, for the whole run
    win::ComPtr<IDispatch> labelFormat_;  // the template opened by the last print
    std::vector<ExcelHold*> excelHolds_;  // Excel as the lookups under way hold it; owned by those lookups
    win::Variant lastRow_;                // last filled row of column A in the last lookup
    win::Variant sheetBlock_;             // the block A1:T(last row + 1) copied by the last lookup
    std::int32_t itemRow_ = 0;            // row of the last match
    bool itemFound_ = false;              // whether the last lookup matched
    std::int32_t keyColumn_ = 0;          // the workbook column searched, 1 = column A
};

// The settings file beside the executable.
std::wstring ConfigFile();

}  // namespace app
