#pragma once
// The stand-in's Worksheet object (also answers for chart sheets, which hold no cells).
#include <memory>

#include "standins/excel/ExcelState.h"
#include "standins/excel/XlObject.h"

namespace standin {

class XlWorksheet : public XlObject {
public:
    XlWorksheet(std::shared_ptr<OpenBook> book, std::size_t sheet);

protected:
    void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) override;

private:
    std::shared_ptr<OpenBook> book_;
    std::size_t sheet_;
};

}  // namespace standin
