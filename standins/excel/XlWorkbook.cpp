#include "standins/excel/XlWorkbook.h"

#include <algorithm>

#include "standins/excel/XlSheets.h"
#include "standins/excel/XlWorksheet.h"

namespace standin {

namespace {
enum : DISPID { kName = 1, kFullName, kPath, kSheets, kWorksheets, kActiveSheet, kActivate, kSaved, kClose };
}  // namespace

XlWorkbook::XlWorkbook(std::shared_ptr<ExcelState> state, std::shared_ptr<OpenBook> book)
    : XlObject(L"Workbook",
               {{L"Name", kName, true},
                {L"FullName", kFullName, true},
                {L"Path", kPath, true},
                {L"Sheets", kSheets, true},
                {L"Worksheets", kWorksheets, true},
                {L"ActiveSheet", kActiveSheet, true},
                {L"Activate", kActivate, false},
                {L"Saved", kSaved, true},
                {L"Close", kClose, false}},
               {kSaved}),
      state_(std::move(state)), book_(std::move(book)) {}

void XlWorkbook::Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) {
    RequireOpen(*book_);
    switch (id) {
        case kName: return SetTextResult(result, book_->name);
        case kFullName: return SetTextResult(result, book_->fullName);
        case kPath: {
            std::size_t slash = book_->fullName.find_last_of(L"\\/");
            return SetTextResult(result, slash == std::wstring::npos ? std::wstring() : book_->fullName.substr(0, slash));
        }
        case kSheets:
        case kWorksheets: {
            bool worksheetsOnly = id == kWorksheets;
            if (!args.has(0)) return SetNewObjectResult(result, new XlSheets(book_, worksheetsOnly));
            return SetNewObjectResult(result, new XlWorksheet(book_, SheetByArgument(*book_, worksheetsOnly, args[0])));
        }
        case kActiveSheet: return SetNewObjectResult(result, new XlWorksheet(book_, book_->data.activeSheet));
        case kActivate: {
            auto& books = state_->books;
            books.erase(std::remove(books.begin(), books.end(), book_), books.end());
            books.push_back(book_);
            return;
        }
        case kSaved:
            if (put) {
                book_->modified = !AssignedLogical(args);
                return;
            }
            return SetBoolResult(result, !book_->modified);
        case kClose:
            // The save-changes argument is checked but the stand-in never writes a file.
            if (args.has(0)) args.Bool(0);
            state_->Close(book_);
            return;
    }
}

}  // namespace standin
