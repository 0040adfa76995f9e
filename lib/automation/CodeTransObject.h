#pragma once
// LabelSupport.CodeTrans: the class CodeTrans behind its dual interface ICodeTrans.
#include <span>

#include "labelsupport.h"
#include "lib/CodeTrans.h"
#include "lib/automation/AutomationObject.h"
#include "lib/automation/Operations.h"

namespace labelsupport {

class CodeTransObject final : public AutomationObject<CodeTransObject, ICodeTrans, support::CodeTrans> {
public:
    static std::span<const Member> Members() noexcept;

    LABELSUPPORT_ICODETRANS_OPERATIONS(LABELSUPPORT_INTERFACE_METHOD)

private:
    friend class AutomationObject<CodeTransObject, ICodeTrans, support::CodeTrans>;
    ~CodeTransObject() = default;
};

}  // namespace labelsupport
