#include "app/CellText.h"

#include "win/SafeArray.h"
#include "win/Variant.h"

namespace app {

namespace {

SAFEARRAY* BlockArray(const VARIANT& block) {
    if (V_VT(&block) == (VT_ARRAY | VT_VARIANT)) return V_ARRAY(&block);
    if (V_VT(&block) == (VT_ARRAY | VT_VARIANT | VT_BYREF) && V_ARRAYREF(&block)) return *V_ARRAYREF(&block);
    return nullptr;
}

}  // namespace

std::optional<std::wstring> CellText(const VARIANT& block, std::int32_t row, std::int32_t column) {
    win::SafeArrayLock data(BlockArray(block));
    const VARIANT* cell = data.At(row, column);
    if (!cell) return std::nullopt;
    return win::ToText(*cell);
}

bool CellMatchesKey(const VARIANT& block, std::int32_t row, std::int32_t column, std::wstring_view key) {
    win::SafeArrayLock data(BlockArray(block));
    const VARIANT* cell = data.At(row, column);
    if (!cell) return false;
    // Text cells are compared in place: most keys and item codes are text, and this runs per row.
    if (V_VT(cell) == VT_BSTR) {
        BSTR text = V_BSTR(cell);
        std::wstring_view cellText(text ? text : L"", text ? ::SysStringLen(text) : 0);
        return cellText == key;
    }
    std::optional<std::wstring> text = win::ToText(*cell);
    return text && *text == key;
}

}  // namespace app
