#include "standins/excel/XlSheets.h"

#include "standins/excel/XlWorksheet.h"

namespace standin {

namespace {
enum : DISPID { kItem = 1, kCount };
}  // namespace

XlSheets::XlSheets(std::shared_ptr<OpenBook> book, bool worksheetsOnly)
    : XlObject(worksheetsOnly ? L"Worksheets" : L"Sheets",
               {{L"Item", kItem, true}, {L"_Default", DISPID_VALUE, true}, {L"Count", kCount, true}}),
      book_(std::move(book)), worksheetsOnly_(worksheetsOnly) {}

void XlSheets::Handle(DISPID id, bool, const CallArgs& args, VARIANT* result) {
    RequireOpen(*book_);
    switch (id) {
        case kCount: return SetLongResult(result, static_cast<long>(SheetList(*book_, worksheetsOnly_).size()));
        case kItem:
        case DISPID_VALUE:
            if (!args.has(0)) throw Fault{DISP_E_PARAMNOTFOUND, L"Argument not optional"};
            return SetNewObjectResult(result, new XlWorksheet(book_, SheetByArgument(*book_, worksheetsOnly_, args[0])));
    }
}

}  // namespace standin
