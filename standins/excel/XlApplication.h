#pragma once
// The stand-in's Excel application object.
#include <memory>

#include "standins/excel/ExcelState.h"
#include "standins/excel/XlObject.h"

namespace standin {

class XlApplication : public XlObject {
public:
    // visible: an instance the operator started shows its window; one started by COM does not.
    explicit XlApplication(bool visible);

    const std::shared_ptr<ExcelState>& state() const noexcept { return state_; }

protected:
    void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) override;

private:
    std::shared_ptr<ExcelState> state_;
};

}  // namespace standin
