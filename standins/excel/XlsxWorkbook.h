#pragma once
// An .xlsx workbook read into memory: its sheets in tab order, their cell values and the strings
// they use. Reading never writes and fails with a reason on anything damaged or out of bounds.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standins/excel/CellGrid.h"

namespace xlsx {

enum class SheetKind { Worksheet, Chart, Other };

struct Sheet {
    std::wstring name;
    SheetKind kind = SheetKind::Worksheet;
    bool hidden = false;
    CellGrid cells;
};

struct Workbook {
    std::vector<Sheet> sheets;         // in tab order
    std::vector<std::wstring> strings;  // shared strings first, then the text of inline and formula strings
    std::size_t activeSheet = 0;
};

enum class LoadError { None, NotFound, CannotRead, Invalid };

struct LoadLimits {
    std::uint64_t maxFileSize = 256ull << 20;
    std::size_t maxCells = 8u << 20;    // over all sheets
    std::size_t maxStrings = 8u << 20;  // shared, inline and formula strings together
    // Sheet parts at least this large are cut at row boundaries and read on several threads
    // (XmlLite takes most of the time of opening a large workbook).
    std::size_t parallelFrom = 4u << 20;
    unsigned threads = 0;  // 0: one per processor, at most 4
};

// Reads a workbook from the bytes of an .xlsx file.
std::optional<Workbook> ReadWorkbook(std::string_view bytes, std::string* reason, LoadLimits limits = {});
// Reads a workbook file; *error says whether it was missing, unreadable or not a valid workbook.
std::optional<Workbook> ReadWorkbookFile(const std::wstring& path, LoadError* error, std::string* reason,
                                         LoadLimits limits = {});

}  // namespace xlsx
