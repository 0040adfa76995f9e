#pragma once
// Owning SAFEARRAY, and a lock scope through which its data is read.
#include <oaidl.h>
#include <oleauto.h>
#include <windows.h>

#include "win/UniqueResource.h"

namespace win {

struct SafeArrayTraits {
    using pointer = SAFEARRAY*;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer a) noexcept { ::SafeArrayDestroy(a); }
};
using SafeArray = UniqueResource<SafeArrayTraits>;

// Locks an array for the lifetime of the scope and reads its bounds once.
// Data is only touched through this scope; every index is checked against the bounds.
class SafeArrayLock {
public:
    explicit SafeArrayLock(SAFEARRAY* array) noexcept;
    ~SafeArrayLock();
    SafeArrayLock(const SafeArrayLock&) = delete;
    SafeArrayLock& operator=(const SafeArrayLock&) = delete;

    bool locked() const noexcept { return array_ != nullptr; }
    UINT dims() const noexcept { return dims_; }
    // Bounds of dimension d, 1 = the leftmost (the row of a worksheet block).
    LONG lower(UINT d) const noexcept { return bounds_[d - 1].lower; }
    LONG upper(UINT d) const noexcept { return bounds_[d - 1].upper; }
    // The number of elements in all dimensions together.
    ULONG count() const noexcept { return count_; }

    // The elements of a VARIANT array in storage order (count() of them); nullptr for another array.
    const VARIANT* variants() const noexcept;

    // Element (row, column) of a two-dimensional VARIANT array; nullptr when out of bounds or not such an array.
    const VARIANT* At(LONG row, LONG column) const noexcept;

private:
    struct Bound {
        LONG lower = 0;
        LONG upper = -1;
    };
    SAFEARRAY* array_ = nullptr;
    UINT dims_ = 0;
    bool variants_ = false;
    ULONG count_ = 0;
    Bound bounds_[2];
};

}  // namespace win
