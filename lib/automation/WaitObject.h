#pragma once
// LabelSupport.Wait: the class TimerWait behind its dual interface IWait. The object keeps the
// wait's timer handle between calls, as the class does.
#include <span>

#include "labelsupport.h"
#include "lib/TimerWait.h"
#include "lib/automation/AutomationObject.h"
#include "lib/automation/Operations.h"

namespace labelsupport {

class WaitObject final : public AutomationObject<WaitObject, IWait, support::TimerWait> {
public:
    static std::span<const Member> Members() noexcept;

    LABELSUPPORT_IWAIT_OPERATIONS(LABELSUPPORT_INTERFACE_METHOD)

private:
    friend class AutomationObject<WaitObject, IWait, support::TimerWait>;
    ~WaitObject() = default;
};

}  // namespace labelsupport
