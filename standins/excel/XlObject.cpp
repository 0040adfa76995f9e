#include "standins/excel/XlObject.h"

#include <algorithm>

#include "standins/common/StandinConfig.h"
#include "standins/excel/ExcelState.h"

namespace standin {

namespace {

// "FailMembers" lists Object.Member names separated by commas, semicolons or spaces.
bool Listed(const std::wstring& list, const std::wstring& name) {
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find_first_of(L",; ", start);
        if (end == std::wstring::npos) end = list.size();
        if (end > start && ::CompareStringOrdinal(list.data() + start, static_cast<int>(end - start), name.data(),
                                                  static_cast<int>(name.size()), TRUE) == CSTR_EQUAL)
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

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
