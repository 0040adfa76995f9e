#pragma once
// What one stand-in Excel instance holds: its open workbooks and its window flags. Every automation
// object of the instance shares it; the objects themselves hold no references to each other.
#include <memory>
#include <string>
#include <vector>

#include "standins/common/DispatchObject.h"
#include "standins/excel/XlsxWorkbook.h"

namespace standin {

inline constexpr wchar_t kExcel[] = L"Excel";

// Excel's run-time error 1004, "application-defined or object-defined error", which most failing
// Excel members raise.
inline constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);
// What a client gets from an object of a workbook that was closed meanwhile.
inline constexpr HRESULT kObjectGone = static_cast<HRESULT>(0x800401A8);

struct OpenBook {
    std::wstring fullName;
    std::wstring name;
    xlsx::Workbook data;
    bool modified = false;  // has changes the operator has not saved (the stand-in itself changes nothing)
    bool closed = false;
};

struct ExcelState {
    std::vector<std::shared_ptr<OpenBook>> books;  // in opening order; the last one is the active workbook
    bool visible = false;
    bool displayAlerts = true;

    std::shared_ptr<OpenBook> Active() const { return books.empty() ? nullptr : books.back(); }
    void Close(const std::shared_ptr<OpenBook>& book);
    void CloseAll();
};

void RequireOpen(const OpenBook& book);

// The positions (into the workbook's sheets) that Sheets or, with worksheetsOnly, Worksheets lists.
std::vector<std::size_t> SheetList(const OpenBook& book, bool worksheetsOnly);
// The sheet an index argument names: a 1-based position in that list, or a sheet name (any case).
std::size_t SheetByArgument(const OpenBook& book, bool worksheetsOnly, const VARIANT& argument);



}  // namespace standin
