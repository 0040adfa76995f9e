#pragma once
// LabelSupport.Radix: the class Radix behind its dual interface IRadix.
#include <span>

#include "labelsupport.h"
#include "lib/Radix.h"
#include "lib/automation/AutomationObject.h"
#include "lib/automation/Operations.h"

namespace labelsupport {

class RadixObject final : public AutomationObject<RadixObject, IRadix, support::Radix> {
public:
    static std::span<const Member> Members() noexcept;

    LABELSUPPORT_IRADIX_OPERATIONS(LABELSUPPORT_INTERFACE_METHOD)

private:
    friend class AutomationObject<RadixObject, IRadix, support::Radix>;
    ~RadixObject() = default;
};

}  // namespace labelsupport
