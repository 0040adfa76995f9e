#pragma once
// The stand-in's Formats collection: opens stand-in templates read-only into memory.
#include <memory>

#include "standins/bartender/BtObject.h"

namespace standin {

class BtFormats : public BtObject {
public:
    explicit BtFormats(std::shared_ptr<BarTenderState> state);

protected:
    void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) override;

private:
    std::shared_ptr<OpenFormat> Open(const std::wstring& path, bool closeOutFirst, const std::wstring& usePrinter);

    std::shared_ptr<BarTenderState> state_;
};

}  // namespace standin
