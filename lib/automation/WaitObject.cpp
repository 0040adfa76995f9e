#include "lib/automation/WaitObject.h"

namespace labelsupport {

std::span<const WaitObject::Member> WaitObject::Members() noexcept {
    static const Member members[] = {
        {0x60030000, 1, 1,
         [](WaitObject& self, const DispatchArguments& args, VARIANT*) { self.wait_.Wait(args.Int32At(0)); }},
    };
    return members;
}

HRESULT WaitObject::Wait(LONG* MilliSeconds) {
    return Run([&] { wait_.Wait(Need(MilliSeconds)); });
}

}  // namespace labelsupport
