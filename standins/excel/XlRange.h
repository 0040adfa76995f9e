#pragma once
// The stand-in's Range object: a block of cells of one worksheet.
#include <memory>

#include "standins/excel/CellReference.h"
#include "standins/excel/ExcelState.h"
#include "standins/excel/XlObject.h"

namespace standin {

class XlRange : public XlObject {
public:
    XlRange(std::shared_ptr<OpenBook> book, std::size_t sheet, xlsx::RangeAddress range);

protected:
    void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) override;

private:
    void SetValues(const xlsx::RangeAddress& block, VARIANT* result) const;

    std::shared_ptr<OpenBook> book_;
    std::size_t sheet_;
    xlsx::RangeAddress range_;
};

}  // namespace standin
