#pragma once
// Owning SAFEARRAY, and a lock scope through which its data is read.
#include <oaidl.h>
#include <oleauto.h>
#include <windows.h>

#include <utility>

namespace win {

class SafeArray {
public:
    SafeArray() noexcept = default;
    explicit SafeArray(SAFEARRAY* owned) noexcept : a_(owned) {}
    ~SafeArray() { reset(); }

    SafeArray(SafeArray&& other) noexcept : a_(other.release()) {}
    SafeArray& operator=(SafeArray&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;

    SAFEARRAY* get() const noexcept { return a_; }
    SAFEARRAY** put() noexcept {
        reset();
        return &a_;
    }
    SAFEARRAY* release() noexcept { return std::exchange(a_, nullptr); }
    void reset(SAFEARRAY* a = nullptr) noexcept {
        SAFEARRAY* old = std::exchange(a_, a);
        if (old) ::SafeArrayDestroy(old);
    }

private:
    SAFEARRAY* a_ = nullptr;
};

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
    Bound bounds_[2];
};

}  // namespace win
