#include "standins/excel/CellValues.h"

#include <oleauto.h>

namespace xlsx {

HRESULT CellToVariant(const Workbook& book, const Cell* cell, VARIANT* out) {
    VariantInit(out);
    if (!cell) return S_OK;
    switch (cell->kind) {
        case CellKind::Text: {
            if (cell->index >= book.strings.size()) return E_UNEXPECTED;
            const std::wstring& text = book.strings[cell->index];
            BSTR s = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (!s) return E_OUTOFMEMORY;
            V_VT(out) = VT_BSTR;
            V_BSTR(out) = s;
            return S_OK;
        }
        case CellKind::Number:
            V_VT(out) = VT_R8;
            V_R8(out) = cell->number;
            return S_OK;
        case CellKind::Date:
            V_VT(out) = VT_DATE;
            V_DATE(out) = cell->number;
            return S_OK;
        case CellKind::Bool:
            V_VT(out) = VT_BOOL;
            V_BOOL(out) = cell->number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case CellKind::Error:
            V_VT(out) = VT_ERROR;
            V_ERROR(out) = static_cast<SCODE>(0x800A0000u + cell->index);
            return S_OK;
    }
    return S_OK;
}

HRESULT BlockToVariant(const Workbook& book, const Sheet& sheet, const RangeAddress& block, VARIANT* out) {
    VariantInit(out);
    if (block.rows() == 1 && block.columns() == 1)
        return CellToVariant(book, sheet.cells.Find(block.first.row, block.first.column), out);

    const ULONG rows = block.rows(), columns = block.columns();
    SAFEARRAYBOUND bounds[2] = {{rows, 1}, {columns, 1}};
    SAFEARRAY* array = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!array) return E_OUTOFMEMORY;
    void* data = nullptr;
    HRESULT hr = ::SafeArrayAccessData(array, &data);
    if (FAILED(hr)) {
        ::SafeArrayDestroy(array);
        return hr;
    }
    // The first index varies fastest: element (r, c) sits at (r - 1) + (c - 1) * rows. SafeArrayCreate
    // has already set every element to VT_EMPTY.
    VARIANT* elements = static_cast<VARIANT*>(data);
    sheet.cells.ForEachIn(block, [&](std::uint32_t row, const Cell& cell) {
        if (FAILED(hr)) return;
        std::size_t at = (row - block.first.row) + static_cast<std::size_t>(cell.column - block.first.column) * rows;
        hr = CellToVariant(book, &cell, &elements[at]);
    });
    ::SafeArrayUnaccessData(array);
    if (FAILED(hr)) {
        ::SafeArrayDestroy(array);
        return hr;
    }
    V_VT(out) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(out) = array;
    return S_OK;
}

}  // namespace xlsx
