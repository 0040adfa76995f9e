#pragma once
// The stand-in's Sheets and Worksheets collections of one workbook.
#include <memory>

#include "standins/excel/ExcelState.h"
#include "standins/excel/XlObject.h"

namespace standin {

class XlSheets : public XlObject {
public:
    // worksheetsOnly: the Worksheets collection, which leaves chart sheets out.
    XlSheets(std::shared_ptr<OpenBook> book, bool worksheetsOnly);

protected:
    void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) override;

private:
    std::shared_ptr<OpenBook> book_;
    bool worksheetsOnly_;
};

}  // namespace standin
