#pragma once
// The stand-in's Workbooks collection: opens .xlsx files read-only into memory.
#include <memory>

#include "standins/excel/ExcelState.h"
#include "standins/excel/XlObject.h"

namespace standin {

class XlWorkbooks : public XlObject {
public:
    explicit XlWorkbooks(std::shared_ptr<ExcelState> state);

    // Workbooks.Open: loads the file, or hands back the workbook if it is open already; throws Fault.
    static std::shared_ptr<OpenBook> Open(ExcelState& state, const std::wstring& path);

protected:
    void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) override;

private:
    std::shared_ptr<ExcelState> state_;
};

}  // namespace standin
