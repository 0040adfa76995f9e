#pragma once
// The arguments of one IDispatch::Invoke call, put back into the order of the parameters.
//
// DISPPARAMS holds the positional arguments last to first, followed by named ones whose
// positions come from GetIDsOfNames. Bind sorts them into one slot per parameter and checks the
// count the way the automation library does for a typed call: too many arguments, or none for a
// required parameter, is DISP_E_BADPARAMCOUNT (script error 450); the "missing" marker a caller
// puts in place of a required argument, or a named argument that names no parameter, is
// DISP_E_PARAMNOTFOUND. The typed readers then convert a slot or raise the run-time error of
// Conversions.h.
#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "lib/automation/Conversions.h"

namespace labelsupport {

class DispatchArguments {
public:
    explicit DispatchArguments(LCID lcid) noexcept : lcid_(lcid) {}

    // Sorts `params` into `count` slots of which the first `required` must be given. On failure
    // *argError (when given) names the offending entry of rgvarg, where there is one.
    HRESULT Bind(DISPPARAMS* params, unsigned count, unsigned required, UINT* argError);

    // Whether parameter i got an argument that is not the "missing" marker.
    bool Given(unsigned i) const noexcept;

    Text TextAt(unsigned i) const { return TextFrom(*slots_[i], lcid_); }
    std::int32_t Int32At(unsigned i) const { return Int32From(*slots_[i], lcid_); }
    bool BoolAt(unsigned i, bool fallback) const { return Given(i) ? BoolFrom(*slots_[i], lcid_) : fallback; }
    ByteArray BytesAt(unsigned i) const { return BytesFrom(*slots_[i]); }
    TextOrBytes TextOrBytesAt(unsigned i) const { return TextOrBytesFrom(*slots_[i]); }

    // Writes an in-out integer back to the caller's variable when it changed.
    void UpdateInt32(unsigned i, std::int32_t before, std::int32_t after) const noexcept {
        if (after != before) StoreInt32(*slots_[i], after);
    }

private:
    LCID lcid_;
    std::vector<VARIANT*> slots_;
};

}  // namespace labelsupport
