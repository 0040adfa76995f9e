#include "standins/excel/ExcelState.h"

#include <algorithm>

#include "win/Variant.h"

namespace standin {

void ExcelState::Close(const std::shared_ptr<OpenBook>& book) {
    book->closed = true;
    books.erase(std::remove(books.begin(), books.end(), book), books.end());
}

void ExcelState::CloseAll() {
    for (auto& book : books) book->closed = true;
    books.clear();
}

void RequireOpen(const OpenBook& book) {
    if (book.closed) throw Fault{kObjectGone, L"The workbook of this object has been closed."};
}

std::vector<std::size_t> SheetList(const OpenBook& book, bool worksheetsOnly) {
    std::vector<std::size_t> list;
    for (std::size_t i = 0; i < book.data.sheets.size(); ++i)
        if (!worksheetsOnly || book.data.sheets[i].kind == xlsx::SheetKind::Worksheet) list.push_back(i);
    return list;
}

std::size_t SheetByArgument(const OpenBook& book, bool worksheetsOnly, const VARIANT& argument) {
    std::vector<std::size_t> list = SheetList(book, worksheetsOnly);
    if (V_VT(&argument) == VT_BSTR) {
        std::wstring name(V_BSTR(&argument) ? V_BSTR(&argument) : L"", ::SysStringLen(V_BSTR(&argument)));
        for (std::size_t i : list) {
            const std::wstring& sheet = book.data.sheets[i].name;
            if (::CompareStringOrdinal(sheet.data(), static_cast<int>(sheet.size()), name.data(),
                                       static_cast<int>(name.size()), TRUE) == CSTR_EQUAL)
                return i;
        }
        throw Fault{DISP_E_BADINDEX, L"Subscript out of range"};
    }
    auto position = win::ToInt32(argument);
    if (!position) throw Fault{DISP_E_TYPEMISMATCH, L"Type mismatch"};
    if (*position < 1 || static_cast<std::size_t>(*position) > list.size())
        throw Fault{DISP_E_BADINDEX, L"Subscript out of range"};
    return list[static_cast<std::size_t>(*position - 1)];
}

}  // namespace standin
