#include "standins/excel/XlObject.h"

#include <algorithm>

#include "standins/common/StandinConfig.h"
#include "standins/excel/ExcelState.h"

namespace standin {

XlObject::XlObject(const wchar_t* object, std::vector<Member> members, std::vector<DISPID> writable)
    : DispatchObject(kExcel, object, members), object_(object), members_(std::move(members)),
      writable_(std::move(writable)) {}

void XlObject::OnCall(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) {
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    auto member = std::find_if(members_.begin(), members_.end(), [id](const Member& m) { return m.id == id; });
    std::wstring failing = ConfigString(kExcel, L"FailMembers");
    if (!failing.empty() && member != members_.end() && Listed(failing, object_ + L"." + member->name))
        throw Fault{kExcelError, L"Application-defined or object-defined error (scenario FailMembers)"};
    if (put && std::find(writable_.begin(), writable_.end(), id) == writable_.end())
        throw Fault{DISP_E_MEMBERNOTFOUND, L"This property is read-only."};
    Handle(id, put, args, result);
}

}  // namespace standin
