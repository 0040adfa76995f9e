#pragma once
// Base of the stand-in's BarTender objects: refuses puts to members that cannot be assigned before
// the object itself sees the call.
#include <vector>

#include "standins/bartender/BtState.h"
#include "standins/common/DispatchObject.h"

namespace standin {

class BtObject : public DispatchObject {
public:
    // writable: the members that accept a property put.
    BtObject(const wchar_t* object, std::vector<Member> members, std::vector<DISPID> writable = {});

protected:
    void OnCall(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) final;
    virtual void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) = 0;

private:
    std::vector<DISPID> writable_;
};

}  // namespace standin
