#pragma once
// Cell values as Excel's Range.Value hands them to an automation client.
#include <oaidl.h>

#include "standins/excel/XlsxWorkbook.h"

namespace xlsx {

// Text is VT_BSTR, numbers VT_R8, dates VT_DATE, logicals VT_BOOL, error values VT_ERROR
// (0x800A0000 + Excel's error number), and a missing cell VT_EMPTY. out must be cleared.
HRESULT CellToVariant(const Workbook& book, const Cell* cell, VARIANT* out);

// The values of a block of a sheet: a two-dimensional VT_ARRAY | VT_VARIANT with lower bounds 1,
// row index first; for a single cell its value alone, as Excel does. out must be cleared.
HRESULT BlockToVariant(const Workbook& book, const Sheet& sheet, const RangeAddress& block, VARIANT* out);

}  // namespace xlsx
