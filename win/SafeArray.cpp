#include "win/SafeArray.h"

namespace win {

SafeArrayLock::SafeArrayLock(SAFEARRAY* array) noexcept {
    if (!array || FAILED(::SafeArrayLock(array))) return;
    array_ = array;
    dims_ = ::SafeArrayGetDim(array);
    VARTYPE vt = VT_EMPTY;
    variants_ = SUCCEEDED(::SafeArrayGetVartype(array, &vt)) && vt == VT_VARIANT;
    count_ = dims_ > 0 ? 1 : 0;
    for (UINT d = 1; d <= dims_; ++d) {
        Bound bound;
        ::SafeArrayGetLBound(array, d, &bound.lower);
        ::SafeArrayGetUBound(array, d, &bound.upper);
        if (d <= 2) bounds_[d - 1] = bound;
        count_ *= bound.upper >= bound.lower ? static_cast<ULONG>(bound.upper - bound.lower + 1) : 0;
    }
}

SafeArrayLock::~SafeArrayLock() {
    if (array_) ::SafeArrayUnlock(array_);
}

const VARIANT* SafeArrayLock::variants() const noexcept {
    if (!array_ || !variants_) return nullptr;
    return static_cast<const VARIANT*>(array_->pvData);
}

const VARIANT* SafeArrayLock::At(LONG row, LONG column) const noexcept {
    if (!array_ || dims_ != 2 || !variants_) return nullptr;
    if (row < bounds_[0].lower || row > bounds_[0].upper) return nullptr;
    if (column < bounds_[1].lower || column > bounds_[1].upper) return nullptr;
    LONG index[2] = {row, column};
    void* element = nullptr;
    if (FAILED(::SafeArrayPtrOfIndex(array_, index, &element))) return nullptr;
    return static_cast<const VARIANT*>(element);
}

}  // namespace win
