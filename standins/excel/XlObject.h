#pragma once
// Base of the stand-in's Excel objects: refuses puts to read-only members and fails the members
// that the scenario switch "FailMembers" names, before the object itself sees the call.
#include <vector>

#include "standins/common/DispatchObject.h"

namespace standin {

class XlObject : public DispatchObject {
public:
    // writable: the members that accept a property put.
    XlObject(const wchar_t* object, std::vector<Member> members, std::vector<DISPID> writable = {});

protected:
    void OnCall(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) final;
    virtual void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) = 0;

private:
    std::wstring object_;
    std::vector<Member> members_;
    std::vector<DISPID> writable_;
};

}  // namespace standin
