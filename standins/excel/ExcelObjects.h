#pragma once
// The Excel stand-in's object model: the members a shipping-list lookup makes, with Excel's
// semantics.
//
//   Application  Workbooks, Visible (get and put), Sheets(index) of the active workbook, Quit, Hwnd,
//                DisplayAlerts (get and put, True at first), AutomationSecurity (get and put, 1 at
//                first: msoAutomationSecurityLow, macros run; 3 turns them off)
//   Workbooks    Count, Item(index), Open(Filename, [UpdateLinks], [ReadOnly])
//   Workbook     FullName, Sheets(index), Worksheets(index), Saved (get and put), ReadOnly,
//                Close([SaveChanges])
//   Worksheet    Name, Select, Evaluate(cell), as a script's [A65536] calls it
//   Range        Row, End(direction), Resize(rows, columns), HasFormula, Value (the default value)
//
// An index is a position from 1 or a name in any case. Hwnd is the handle of a top-level window of
// the stand-in's process, which exists while Excel is hidden too. Resize gives a Range; the values
// of a range are its default value: the value alone for one cell, else a two-dimensional array with
// lower bounds 1, row first. Values are text (VT_BSTR), numbers (VT_R8), dates (VT_DATE), logicals
// (VT_BOOL), error values (VT_ERROR, 0x800A0000 + Excel's error number) and empty cells (VT_EMPTY).
// HasFormula is False when no cell of the range holds a formula, True when all do, Null otherwise.
// Objects of a closed workbook stay valid for COM, but their calls fail.
//
// A workbook's file is held as Excel holds it while the workbook is open (see WorkbookFile.h), and
// Excel's reactions to the file play as they do in Excel:
//   - a workbook with external links: Open asks whether to update them unless UpdateLinks is 0;
//   - a workbook with a macro project: its open-time macro shows a message box unless
//     AutomationSecurity is 3;
//   - a read-write Open of a file another holds open for editing fails with error 1004; ReadOnly
//     True reads it;
//   - a workbook with volatile formulas (TODAY, NOW, RAND, INDIRECT, OFFSET, ...) is recalculated on
//     opening, so it is modified (Saved False): Close(True) saves it (rewrites the file), and on a
//     read-only one asks for another name (Save As); Close(False) writes nothing.
// Each question is asked on a window no one sees: the call never returns, and is logged with the
// kind "hung" as it begins. The process then waits until it is ended (or its stop event is set).
#include <oaidl.h>

#include <string>

namespace standin {

inline constexpr wchar_t kExcel[] = L"Excel";

// Excel's run-time error 1004, "application-defined or object-defined error", which most failing
// Excel members raise.
inline constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);

// A new application object. visible: an Excel the operator started shows its window.
// unsavedWorkbook: a workbook it has open from the start, with changes not saved; throws Fault when
// that workbook cannot be opened.
IDispatch* NewExcelApplication(bool visible, const std::wstring& unsavedWorkbook = {});

}  // namespace standin
