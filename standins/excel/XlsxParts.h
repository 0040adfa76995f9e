#pragma once
// Readers of the individual parts of a workbook package (internal to the workbook reader).
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standins/excel/CellGrid.h"

namespace xlsx {

// The shared-string table; counts the part declares are ignored, only the items present count.
bool ReadSharedStrings(std::string_view xml, std::size_t maxStrings, std::vector<std::wstring>* strings,
                       std::string* reason);

// For each cell format (the s attribute of a cell), whether it shows numbers as dates.
bool ReadDateStyles(std::string_view xml, std::vector<bool>* dateStyles, std::string* reason);

struct SheetContext {
    std::size_t sharedCount;  // strings 0 to sharedCount - 1 are the shared-string table
    const std::vector<bool>* dateStyles;
    bool date1904;
    std::atomic<std::size_t>* cellBudget;    // cells the workbook may still hold
    std::atomic<std::size_t>* stringBudget;  // strings it may still add
    std::size_t parallelFrom;                // sheet parts at least this large are read on several threads
    unsigned threads;
};

// Reads a worksheet part's cells; the text of its inline and formula strings is appended to *strings.
bool ReadSheetCells(std::string_view xml, const SheetContext& context, std::vector<std::wstring>* strings,
                    CellGrid* cells, std::string* reason);

// A large sheet part cut into pieces that separate XML readers can read at the same time: the rows
// of <sheetData> split at row boundaries (each piece to be wrapped in a <sheetData> element of its
// own that declares the root's namespaces), and the rest of the part with an empty <sheetData/>.
struct Chunks {
    std::string outside;
    std::vector<std::string_view> pieces;  // into the part
};

// At most count pieces; nullopt when the part is not laid out plainly enough to be cut safely (it
// is then read whole).
std::optional<Chunks> CutIntoChunks(std::string_view xml, unsigned count);

// Turns Excel's _xHHHH_ escapes (characters XML cannot carry, such as _x000D_) back into characters.
void DecodeEscapes(std::wstring* text);

// An Excel date serial as an automation date; nullopt where Excel would not show a date.
std::optional<double> DateFromSerial(double serial, bool date1904);
// An ISO 8601 date and time ("2024-05-01", "2024-05-01T08:30:00Z") as an automation date.
std::optional<double> DateFromIso(std::wstring_view text);

}  // namespace xlsx
