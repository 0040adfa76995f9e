#pragma once
// The stand-in's BarTender application object: version, window flag, the format collection, Quit.
#include <memory>

#include "standins/bartender/BtObject.h"

namespace standin {

class BtApplication : public BtObject {
public:
    BtApplication();

protected:
    void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) override;

private:
    std::shared_ptr<BarTenderState> state_;
};

}  // namespace standin
