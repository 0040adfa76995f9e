#include "standins/bartender/BtObject.h"

#include <algorithm>

namespace standin {

BtObject::BtObject(const wchar_t* object, std::vector<Member> members, std::vector<DISPID> writable)
    : DispatchObject(kBarTender, object, std::move(members)), writable_(std::move(writable)) {}

void BtObject::OnCall(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) {
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put && std::find(writable_.begin(), writable_.end(), id) == writable_.end())
        throw Fault{DISP_E_MEMBERNOTFOUND, L"This property is read-only."};
    Handle(id, put, args, result);
}

}  // namespace standin
