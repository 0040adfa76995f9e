#pragma once
// The Excel stand-in's object model: the members a shipping-list lookup makes, with Excel's
// semantics.
//
//   Application  Workbooks, Visible (get and put), Sheets(index) of the active workbook, Quit
//   Workbooks    Count, Item(index), Open(path)
//   Workbook     FullName, Sheets(index), Worksheets(index), Saved (get and put), Close
//   Worksheet    Name, Select, Evaluate(cell), as a script's [A65536] calls it
//   Range        Row, End(direction), Resize(rows, columns)
//
// An index is a position from 1 or a name in any case. Resize answers with the values of the
// resized block (the default value of the range Excel answers with), which the client takes in the
// same statement: a two-dimensional array with lower bounds 1, row first, for more than one cell.
// Values are text (VT_BSTR), numbers (VT_R8), dates (VT_DATE), logicals (VT_BOOL), error values
// (VT_ERROR, 0x800A0000 + Excel's error number) and empty cells (VT_EMPTY). Objects of a closed
// workbook stay valid for COM, but their calls fail.
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
