#include "lib/automation/RadixObject.h"

namespace labelsupport {

std::span<const RadixObject::Member> RadixObject::Members() noexcept {
    static constexpr Member members[] = {LABELSUPPORT_IRADIX_OPERATIONS(LABELSUPPORT_DISPATCH_ENTRY)};
    return members;
}

}  // namespace labelsupport
