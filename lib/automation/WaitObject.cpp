#include "lib/automation/WaitObject.h"

namespace labelsupport {

std::span<const WaitObject::Member> WaitObject::Members() noexcept {
    static constexpr Member members[] = {LABELSUPPORT_IWAIT_OPERATIONS(LABELSUPPORT_DISPATCH_ENTRY)};
    return members;
}

}  // namespace labelsupport
