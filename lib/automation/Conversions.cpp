#include "lib/automation/Conversions.h"

#include <cstring>
#include <new>
#include <span>

#include "lib/RuntimeError.h"
#include "win/SafeArray.h"
#include "win/Variant.h"

namespace labelsupport {

using support::Fail;
namespace errors = support::errors;

namespace {

// Longer chains than this are no variable a caller could have made.
constexpr int kLongestReferenceChain = 16;

[[noreturn]] void FailConversion(HRESULT hr) {
    if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
    Fail(hr == DISP_E_OVERFLOW ? errors::kOverflow : errors::kTypeMismatch);
}

bool IsNumber(VARTYPE type) noexcept {
    switch (type) {
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_I8:
        case VT_UI8:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DECIMAL:
            return true;
        default:
            return false;
    }
}

// The size of a scalar that lives in the value part of a VARIANT; 0 for anything else.
std::size_t ScalarSize(VARTYPE type) noexcept {
    switch (type) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR:
            return 4;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
            return 8;
        default:
            return 0;
    }
}

// A plain copy of the value behind `value` (by-reference links and VT_BYREF scalars resolved).
win::Variant PlainCopy(const VARIANT& value) {
    const VARIANT* v = Dereference(value);
    if (!v) Fail(errors::kTypeMismatch);
    if ((V_VT(v) & VT_BYREF) && !V_BYREF(v)) Fail(errors::kTypeMismatch);
    win::Variant copy;
    const HRESULT hr = ::VariantCopyInd(copy.put(), const_cast<VARIANT*>(v));
    if (FAILED(hr)) FailConversion(hr);
    return copy;
}

win::Variant Converted(const VARIANT& value, VARTYPE type, LCID lcid) {
    win::Variant plain = PlainCopy(value);
    const VARTYPE vt = plain.type();
    // Objects convert through their default value; a null one has none. Arrays never convert.
    if ((vt == VT_DISPATCH && !V_DISPATCH(plain.get())) || (vt == VT_UNKNOWN && !V_UNKNOWN(plain.get())) ||
        (vt & VT_ARRAY))
        Fail(errors::kTypeMismatch);
    win::Variant out;
    const HRESULT hr = ::VariantChangeTypeEx(out.put(), plain.get(), lcid, 0, type);
    if (FAILED(hr)) FailConversion(hr);
    return out;
}

// One element of an array of numbers, as CByte would take it.
std::uint8_t ByteFrom(const VARIANT& element) {
    win::Variant plain = PlainCopy(element);
    if (plain.empty()) return 0;
    if (!IsNumber(plain.type())) Fail(errors::kTypeMismatch);
    win::Variant out;
    const HRESULT hr = ::VariantChangeType(out.put(), plain.get(), 0, VT_UI1);
    if (FAILED(hr)) FailConversion(hr);
    return V_UI1(out.get());
}

// Element k of a locked array of plain numbers of type `type`, as a VARIANT.
win::Variant NumberAt(const SAFEARRAY& array, VARTYPE type, std::size_t k) {
    const auto* element = static_cast<const std::uint8_t*>(array.pvData) + k * array.cbElements;
    win::Variant number;
    VARIANT* v = number.put();
    if (type == VT_DECIMAL) {
        // A DECIMAL fills the whole VARIANT, its type field included: the type goes in afterwards.
        std::memcpy(&V_DECIMAL(v), element, sizeof(DECIMAL));
    } else {
        std::memcpy(&V_I8(v), element, ScalarSize(type));
    }
    V_VT(v) = type;
    return number;
}

std::size_t ElementSize(VARTYPE type) noexcept {
    if (type == VT_VARIANT) return sizeof(VARIANT);
    if (type == VT_DECIMAL) return sizeof(DECIMAL);
    return ScalarSize(type);
}

ByteArray BytesOfArray(SAFEARRAY* array, VARTYPE type) {
    if (!array) Fail(errors::kSubscriptOutOfRange);
    if (type != VT_UI1 && type != VT_VARIANT && !IsNumber(type)) Fail(errors::kTypeMismatch);
    win::SafeArrayLock lock(array);
    if (!lock.locked() || lock.dims() != 1 || array->cbElements != ElementSize(type)) Fail(errors::kTypeMismatch);
    const std::int32_t lower = lock.lower(1);
    const std::int64_t count = static_cast<std::int64_t>(lock.upper(1)) - lower + 1;
    if (count <= 0) return ByteArray(std::span<const std::uint8_t>(), lower);
    const auto size = static_cast<std::size_t>(count);

    if (type == VT_UI1) return ByteArray(std::span(static_cast<const std::uint8_t*>(array->pvData), size), lower);

    support::ByteBuffer bytes(size);
    for (std::size_t k = 0; k < size; ++k) {
        if (type == VT_VARIANT)
            bytes.data()[k] = ByteFrom(static_cast<const VARIANT*>(array->pvData)[k]);
        else
            bytes.data()[k] = ByteFrom(*NumberAt(*array, type, k).get());
    }
    return ByteArray(std::move(bytes), lower);
}

}  // namespace

const VARIANT* Dereference(const VARIANT& value) noexcept {
    const VARIANT* v = &value;
    for (int link = 0; link < kLongestReferenceChain; ++link) {
        if (V_VT(v) != (VT_BYREF | VT_VARIANT)) return v;
        v = V_VARIANTREF(v);
        if (!v) return nullptr;
    }
    return nullptr;
}

bool IsMissing(const VARIANT& value) noexcept {
    const VARIANT* v = Dereference(value);
    return v && V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND;
}

Text TextOf(BSTR text) {
    if (!text) return Text();
    return Text(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text));
}

Text TextFrom(const VARIANT& value, LCID lcid) { return TextOf(V_BSTR(Converted(value, VT_BSTR, lcid).get())); }

std::int32_t Int32From(const VARIANT& value, LCID lcid) { return V_I4(Converted(value, VT_I4, lcid).get()); }

bool BoolFrom(const VARIANT& value, LCID lcid) {
    return V_BOOL(Converted(value, VT_BOOL, lcid).get()) != VARIANT_FALSE;
}

ByteArray BytesFrom(const VARIANT& value) {
    const VARIANT* v = Dereference(value);
    if (!v || !(V_VT(v) & VT_ARRAY)) Fail(errors::kTypeMismatch);
    const VARTYPE element = V_VT(v) & VT_TYPEMASK;
    if (V_VT(v) & VT_BYREF) return BytesOfArray(V_ARRAYREF(v) ? *V_ARRAYREF(v) : nullptr, element);
    return BytesOfArray(V_ARRAY(v), element);
}

ByteArray BytesFrom(SAFEARRAY* array) {
    if (!array) Fail(errors::kSubscriptOutOfRange);
    VARTYPE element = VT_EMPTY;
    if (FAILED(::SafeArrayGetVartype(array, &element))) {
        // An array made without a type (SafeArrayCreateEx-less callers): single bytes are bytes.
        if (array->cbElements != 1) Fail(errors::kTypeMismatch);
        element = VT_UI1;
    }
    return BytesOfArray(array, element);
}

TextOrBytes TextOrBytesFrom(const VARIANT& value) {
    const VARIANT* v = Dereference(value);
    if (v && (V_VT(v) & VT_ARRAY)) return TextOrBytes(BytesFrom(*v));
    win::Variant plain = PlainCopy(value);
    if (plain.empty()) return TextOrBytes(Text());
    if (plain.type() != VT_BSTR) Fail(errors::kTypeMismatch);
    return TextOrBytes(TextOf(V_BSTR(plain.get())));
}

BSTR NewBstr(const Text& text) {
    BSTR s = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
    if (!s) throw std::bad_alloc();
    return s;
}

SAFEARRAY* NewSafeArray(const ByteArray& bytes) {
    win::SafeArray array(::SafeArrayCreateVector(VT_UI1, bytes.LowerBound(), static_cast<ULONG>(bytes.size())));
    if (!array.get()) throw std::bad_alloc();
    if (!bytes.empty()) {
        win::SafeArrayLock lock(array.get());
        if (!lock.locked()) throw std::bad_alloc();
        std::memcpy(array.get()->pvData, bytes.data(), bytes.size());
    }
    return array.release();
}

void SetText(VARIANT* result, const Text& text) {
    BSTR s = NewBstr(text);
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = s;
}

void SetInt32(VARIANT* result, std::int32_t value) noexcept {
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

void SetBytes(VARIANT* result, const ByteArray& bytes) {
    SAFEARRAY* array = NewSafeArray(bytes);
    V_VT(result) = VT_ARRAY | VT_UI1;
    V_ARRAY(result) = array;
}

void SetTextOrBytes(VARIANT* result, const TextOrBytes& value) {
    if (value.IsBytes())
        SetBytes(result, value.AsBytes());
    else
        SetText(result, value.AsText());
}

void StoreInt32(VARIANT& argument, std::int32_t value) noexcept {
    const VARTYPE vt = V_VT(&argument);
    if (!(vt & VT_BYREF)) return;
    win::Variant number(value);

    if (vt == (VT_BYREF | VT_VARIANT)) {
        auto* variable = const_cast<VARIANT*>(Dereference(argument));
        if (!variable) return;
        if (V_VT(variable) & VT_BYREF) return StoreInt32(*variable, value);
        win::Variant kept;
        const VARTYPE type = V_VT(variable);
        const bool keepType =
            (IsNumber(type) || type == VT_BSTR) && SUCCEEDED(::VariantChangeType(kept.put(), number.get(), 0, type));
        ::VariantClear(variable);
        *variable = keepType ? kept.release() : number.release();
        return;
    }

    void* target = V_BYREF(&argument);
    const VARTYPE type = vt & ~VT_BYREF;
    if (!target || (type & VT_ARRAY)) return;
    win::Variant converted;
    if (FAILED(::VariantChangeType(converted.put(), number.get(), 0, type))) return;
    switch (type) {
        case VT_BSTR:
            ::SysFreeString(*static_cast<BSTR*>(target));
            *static_cast<BSTR*>(target) = V_BSTR(converted.get());
            V_VT(converted.get()) = VT_EMPTY;  // the caller's variable owns the string now
            return;
        case VT_DECIMAL:
            *static_cast<DECIMAL*>(target) = V_DECIMAL(converted.get());
            return;
        default:
            if (const std::size_t size = ScalarSize(type)) std::memcpy(target, &V_I8(converted.get()), size);
            return;
    }
}

}  // namespace labelsupport
