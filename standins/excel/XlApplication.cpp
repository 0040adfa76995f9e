#include "standins/excel/XlApplication.h"

#include "standins/common/LocalServer.h"
#include "standins/excel/XlSheets.h"
#include "standins/excel/XlWorkbook.h"
#include "standins/excel/XlWorkbooks.h"
#include "standins/excel/XlWorksheet.h"

namespace standin {

namespace {
enum : DISPID {
    kName = 1,
    kVersion,
    kVisible,
    kDisplayAlerts,
    kWorkbooks,
    kActiveWorkbook,
    kActiveSheet,
    kSheets,
    kWorksheets,
    kQuit,
};
}  // namespace

XlApplication::XlApplication(bool visible)
    : XlObject(L"Application",
               {{L"Name", kName, true},
                {L"Version", kVersion, true},
                {L"Visible", kVisible, true},
                {L"DisplayAlerts", kDisplayAlerts, true},
                {L"Workbooks", kWorkbooks, true},
                {L"ActiveWorkbook", kActiveWorkbook, true},
                {L"ActiveSheet", kActiveSheet, true},
                {L"Sheets", kSheets, true},
                {L"Worksheets", kWorksheets, true},
                {L"Quit", kQuit, false}},
               {kVisible, kDisplayAlerts}),
      state_(std::make_shared<ExcelState>()) {
    state_->visible = visible;
}

void XlApplication::Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) {
    switch (id) {
        case kName: return SetTextResult(result, L"Microsoft Excel");
        case kVersion: return SetTextResult(result, L"16.0");
        case kVisible:
            if (put) {
                state_->visible = AssignedLogical(args);
                return;
            }
            return SetBoolResult(result, state_->visible);
        case kDisplayAlerts:
            if (put) {
                state_->displayAlerts = AssignedLogical(args);
                return;
            }
            return SetBoolResult(result, state_->displayAlerts);
        case kWorkbooks: return SetNewObjectResult(result, new XlWorkbooks(state_));
        case kActiveWorkbook: {
            auto book = state_->Active();
            // Excel answers Nothing when no workbook is open.
            return SetNewObjectResult(result, book ? new XlWorkbook(state_, book) : nullptr);
        }
        case kActiveSheet: {
            auto book = state_->Active();
            return SetNewObjectResult(result, book ? new XlWorksheet(book, book->data.activeSheet) : nullptr);
        }
        case kSheets:
        case kWorksheets: {
            auto book = state_->Active();
            if (!book) throw Fault{kExcelError, L"No workbook is open."};
            bool worksheetsOnly = id == kWorksheets;
            if (!args.has(0)) return SetNewObjectResult(result, new XlSheets(book, worksheetsOnly));
            return SetNewObjectResult(result, new XlWorksheet(book, SheetByArgument(*book, worksheetsOnly, args[0])));
        }
        case kQuit:
            // Excel closes its workbooks without asking when its alerts are off; the stand-in never saves.
            state_->CloseAll();
            LocalServer::RequestExit();
            return;
    }
}

}  // namespace standin
