#include "win/BackgroundRelease.h"

#include <windows.h>

#include <memory>

#include "win/SafeArray.h"

namespace win {

namespace {

// True when every element is a plain value: no objects, no nested arrays, nothing by reference.
bool HoldsOnlyPlainValues(const VARIANT& value) {
    VARTYPE type = V_VT(&value);
    if (!(type & VT_ARRAY)) return type != VT_DISPATCH && type != VT_UNKNOWN && !(type & VT_BYREF);
    if (type != (VT_ARRAY | VT_VARIANT)) return (type & ~VT_ARRAY) != VT_DISPATCH && (type & ~VT_ARRAY) != VT_UNKNOWN;
    SafeArrayLock lock(V_ARRAY(&value));
    if (!lock.locked()) return false;
    const VARIANT* element = lock.variants();
    if (!element && lock.count() > 0) return false;
    for (ULONG i = 0; i < lock.count(); ++i) {
        VARTYPE t = V_VT(&element[i]);
        if (t == VT_DISPATCH || t == VT_UNKNOWN || (t & (VT_BYREF | VT_ARRAY))) return false;
    }
    return true;
}

void CALLBACK FreeValue(PTP_CALLBACK_INSTANCE, void* context) { delete static_cast<Variant*>(context); }

}  // namespace

void ReleaseInBackground(Variant&& value) noexcept {
    if (value.empty()) return;
    std::unique_ptr<Variant> owned;
    try {
        owned = std::make_unique<Variant>(std::move(value));
    } catch (...) {
        value.reset();
        return;
    }
    if (!HoldsOnlyPlainValues(*owned->get())) return;  // freed here by owned
    if (::TrySubmitThreadpoolCallback(&FreeValue, owned.get(), nullptr)) owned.release();
}

}  // namespace win
