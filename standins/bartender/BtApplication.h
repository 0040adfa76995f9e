#pragma once
// The stand-in's BarTender application object.
#include "standins/common/DispatchObject.h"

namespace standin {

inline constexpr wchar_t kBarTender[] = L"BarTender";

class BtApplication : public DispatchObject {
public:
    BtApplication();

protected:
    void OnCall(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) override;

private:
    bool visible_ = false;
};

}  // namespace standin
