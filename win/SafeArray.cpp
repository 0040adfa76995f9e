#include "win/SafeArray.h"

namespace win {

SafeArrayLock::SafeArrayLock(SAFEARRAY* array) noexcept {
    if (!array || FAILED(::SafeArrayLock(array))) return;
    array_ = array;
    dims_ = ::SafeArrayGetDim(array);
    VARTYPE vt = VT_EMPTY;
    variants_ = SUCCEEDED(::SafeArrayGetVartype(array, &vt)) && vt == VT_VARIANT;
    for (UINT d = 1; d <= dims_ && d <= 2; ++d) {
        ::SafeArrayGetLBound(array, d, &bounds_[d - 1].lower);
        ::SafeArrayGetUBound(array, d, &bounds_[d - 1].upper);
    }
}

SafeArrayLock::~SafeArrayLock() {
    if (array_) ::SafeArrayUnlock(array_);
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
