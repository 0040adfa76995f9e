#pragma once
// An .xlsx workbook read into memory: its sheets in tab order, their cells and the text they hold.
// It reads what spreadsheet programs such as openpyxl and Excel write: shared and inline strings,
// numbers, dates (numbers under a date format, 1900 date system), logicals, error values and the
// cached results of formulas. Anything it cannot read fails the whole file with a reason.
#include <optional>
#include <string>
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
};

enum class LoadError { NotFound, CannotRead, Invalid };

struct LoadFailure {
    LoadError error = LoadError::Invalid;
    std::string reason;
};

std::optional<Workbook> ReadWorkbookFile(const std::wstring& path, LoadFailure* failure);

}  // namespace xlsx
