#pragma once
// An .xlsx workbook read into memory: its sheets in tab order, their cells and the text they hold.
// It reads what spreadsheet programs such as openpyxl and Excel write: shared and inline strings,
// numbers, dates (numbers under a date format, 1900 date system), logicals, error values and the
// cached results of formulas. Anything it cannot read fails the whole file with a reason.
// It calculates nothing: a formula cell shows the result saved with it, and one saved without a
// result (openpyxl saves formulas so) shows as empty text.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standins/excel/CellGrid.h"

namespace xlsx {

struct Sheet {
    std::wstring name;
    CellGrid cells;
};

struct Workbook {
    std::vector<Sheet> sheets;          // in tab order
    std::vector<std::wstring> strings;  // what text cells hold
    // What Excel acts on when it opens the file:
    bool externalLinks = false;     // values taken from other workbooks (an external link part)
    bool macroProject = false;      // a macro project (xl/vbaProject.bin), whose open-time macro runs
    bool volatileFormulas = false;  // a formula calls a function Excel recalculates on every opening
};

enum class LoadError { NotFound, CannotRead, Invalid };

struct LoadFailure {
    LoadError error = LoadError::Invalid;
    std::string reason;
};

std::optional<Workbook> ReadWorkbookFile(const std::wstring& path, LoadFailure* failure);
// A package already in memory; its failures are LoadError::Invalid.
std::optional<Workbook> ReadWorkbook(std::string_view bytes, LoadFailure* failure);
// The whole of a file opened for reading, from its start; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(HANDLE file);

// Whether a formula (as a cell's <f> holds it) calls TODAY, NOW, RAND, RANDBETWEEN, RANDARRAY,
// INDIRECT, OFFSET, CELL or INFO, which Excel recalculates whenever it opens the workbook.
bool CallsVolatileFunction(std::string_view formula);

// The package as Excel saves it after recalculating it: every part as it was, but the workbook part
// carries Excel's own calculation id. nullopt and *error when the package cannot be read.
std::optional<std::string> RecalculatedPackage(std::string_view bytes, std::string* error);

}  // namespace xlsx
