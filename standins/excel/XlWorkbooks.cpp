#include "standins/excel/XlWorkbooks.h"

#include "standins/common/StandinConfig.h"
#include "standins/excel/XlWorkbook.h"
#include "win/Variant.h"

namespace standin {

namespace {

enum : DISPID { kItem = 1, kCount, kOpen, kClose };

std::wstring FullPath(const std::wstring& path) {
    if (path.empty()) return path;
    DWORD n = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(n);
    return full;
}

std::wstring FileName(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

XlWorkbooks::XlWorkbooks(std::shared_ptr<ExcelState> state)
    : XlObject(L"Workbooks",
               {{L"Item", kItem, true},
                {L"_Default", DISPID_VALUE, true},
                {L"Count", kCount, true},
                {L"Open", kOpen, false},
                {L"Close", kClose, false}}),
      state_(std::move(state)) {}

std::shared_ptr<OpenBook> XlWorkbooks::Open(ExcelState& state, const std::wstring& path) {
    if (DWORD delay = ConfigDword(kExcel, L"OpenDelayMs")) ::Sleep(delay < 60000 ? delay : 60000);
    if (ConfigDword(kExcel, L"OpenFails"))
        throw Fault{kExcelError, L"Microsoft Excel cannot access the file '" + path + L"'. (scenario OpenFails)"};

    std::wstring full = FullPath(path);
    // A workbook that is already open is handed back, unsaved changes and all, and becomes the active
    // one again. (Excel first asks the operator whether to discard the changes of a modified one.)
    for (auto it = state.books.begin(); it != state.books.end(); ++it) {
        if (!SameText((*it)->fullName, full)) continue;
        auto book = *it;
        state.books.erase(it);
        state.books.push_back(book);
        return book;
    }

    xlsx::LoadError error = xlsx::LoadError::None;
    std::string reason;
    auto data = path.empty() ? std::nullopt : xlsx::ReadWorkbookFile(full, &error, &reason);
    if (!data) {
        if (path.empty() || error == xlsx::LoadError::NotFound)
            throw Fault{kExcelError, L"'" + path +
                                         L"' could not be found. Check the spelling of the file name, and verify that "
                                         L"the file location is correct."};
        if (error == xlsx::LoadError::CannotRead)
            throw Fault{kExcelError, L"Microsoft Excel cannot access the file '" + full + L"'."};
        throw Fault{kExcelError, L"Excel cannot open the file '" + FileName(full) +
                                     L"' because the file format or file extension is not valid. Verify that the file "
                                     L"has not been corrupted and that the file extension matches the format of the "
                                     L"file."};
    }
    auto book = std::make_shared<OpenBook>();
    book->fullName = full;
    book->name = FileName(full);
    book->data = std::move(*data);
    state.books.push_back(book);
    return book;
}

void XlWorkbooks::Handle(DISPID id, bool, const CallArgs& args, VARIANT* result) {
    switch (id) {
        case kCount: return SetLongResult(result, static_cast<long>(state_->books.size()));
        case kItem:
        case DISPID_VALUE: {
            if (!args.has(0)) throw Fault{DISP_E_PARAMNOTFOUND, L"Argument not optional"};
            if (V_VT(&args[0]) == VT_BSTR) {
                std::wstring name = args.Text(0);
                for (const auto& book : state_->books)
                    if (SameText(book->name, name) || SameText(book->fullName, name))
                        return SetNewObjectResult(result, new XlWorkbook(state_, book));
                throw Fault{DISP_E_BADINDEX, L"Subscript out of range"};
            }
            long index = args.Long(0);
            if (index < 1 || static_cast<std::size_t>(index) > state_->books.size())
                throw Fault{DISP_E_BADINDEX, L"Subscript out of range"};
            return SetNewObjectResult(result, new XlWorkbook(state_, state_->books[static_cast<std::size_t>(index - 1)]));
        }
        case kOpen:
            // Further arguments (UpdateLinks, ReadOnly, ...) change nothing: the stand-in only reads.
            return SetNewObjectResult(result, new XlWorkbook(state_, Open(*state_, args.Text(0))));
        case kClose:
            state_->CloseAll();
            return;
    }
}

}  // namespace standin
