#include "lib/automation/CodeTransObject.h"

namespace labelsupport {

std::span<const CodeTransObject::Member> CodeTransObject::Members() noexcept {
    static constexpr Member members[] = {LABELSUPPORT_ICODETRANS_OPERATIONS(LABELSUPPORT_DISPATCH_ENTRY)};
    return members;
}

}  // namespace labelsupport
