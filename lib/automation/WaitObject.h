#pragma once
// LabelSupport.Wait: the class TimerWait behind its dual interface IWait. The object keeps the
// wait's timer handle between calls, as the class does.
#include <span>

#include "labelsupport.h"
#include "lib/automation/AutomationObject.h"
#include "lib/TimerWait.h"

namespace labelsupport {

class WaitObject final : public AutomationObject<WaitObject, IWait> {
public:
    static constexpr const char16_t* kSource = support::TimerWait::kSource;
    static std::span<const Member> Members() noexcept;

    HRESULT STDMETHODCALLTYPE Wait(LONG* MilliSeconds) override;

private:
    friend class AutomationObject<WaitObject, IWait>;
    ~WaitObject() = default;

    support::TimerWait wait_;
};

}  // namespace labelsupport
