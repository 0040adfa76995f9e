#pragma once
// The stand-in's Workbook object: one workbook of the instance, open or already closed.
#include <memory>

#include "standins/excel/ExcelState.h"
#include "standins/excel/XlObject.h"

namespace standin {

class XlWorkbook : public XlObject {
public:
    XlWorkbook(std::shared_ptr<ExcelState> state, std::shared_ptr<OpenBook> book);

protected:
    void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) override;

private:
    std::shared_ptr<ExcelState> state_;
    std::shared_ptr<OpenBook> book_;
};

}  // namespace standin
