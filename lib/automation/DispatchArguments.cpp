#include "lib/automation/DispatchArguments.h"

namespace labelsupport {

HRESULT DispatchArguments::Bind(DISPPARAMS* params, unsigned count, unsigned required, UINT* argError) {
    DISPPARAMS none{};
    if (!params) params = &none;
    const UINT total = params->cArgs;
    const UINT named = params->cNamedArgs;
    if ((total > 0 && !params->rgvarg) || (named > 0 && !params->rgdispidNamedArgs) || named > total)
        return E_INVALIDARG;
    const UINT positional = total - named;
    if (positional > count) return DISP_E_BADPARAMCOUNT;

    slots_.assign(count, nullptr);
    for (UINT i = 0; i < positional; ++i) slots_[i] = &params->rgvarg[total - 1 - i];
    for (UINT j = 0; j < named; ++j) {
        const DISPID position = params->rgdispidNamedArgs[j];
        if (position < 0 || static_cast<unsigned>(position) >= count || slots_[position]) {
            if (argError) *argError = j;
            return DISP_E_PARAMNOTFOUND;
        }
        slots_[position] = &params->rgvarg[j];
    }
    for (unsigned i = 0; i < required; ++i) {
        if (!slots_[i]) return DISP_E_BADPARAMCOUNT;
        if (Given(i)) continue;
        // The "missing" marker in place of a required argument.
        if (argError) *argError = static_cast<UINT>(slots_[i] - params->rgvarg);
        return DISP_E_PARAMNOTFOUND;
    }
    return S_OK;
}

bool DispatchArguments::Given(unsigned i) const noexcept {
    return i < slots_.size() && slots_[i] && !IsMissing(*slots_[i]);
}

}  // namespace labelsupport
