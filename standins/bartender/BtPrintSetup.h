#pragma once
// The stand-in's PrintSetup object of a format: the printer and the two label counts, shared with
// the format itself.
#include <memory>

#include "standins/bartender/BtObject.h"

namespace standin {

class BtPrintSetup : public BtObject {
public:
    explicit BtPrintSetup(std::shared_ptr<OpenFormat> format);

protected:
    void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) override;

private:
    std::shared_ptr<OpenFormat> format_;
};

}  // namespace standin
