#include "win/Variant.h"

#include "win/Bstr.h"

namespace win {

Variant::Variant(std::wstring_view text) : Variant() {
    Bstr s = MakeBstr(text);
    if (!s.get() && !text.empty()) return;  // out of memory: stays empty
    V_VT(&v_) = VT_BSTR;
    V_BSTR(&v_) = s.release();
}

Variant::Variant(bool value) noexcept : Variant() {
    V_VT(&v_) = VT_BOOL;
    V_BOOL(&v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

Variant::Variant(std::int16_t value) noexcept : Variant() {
    V_VT(&v_) = VT_I2;
    V_I2(&v_) = value;
}

Variant::Variant(std::int32_t value) noexcept : Variant() {
    V_VT(&v_) = VT_I4;
    V_I4(&v_) = value;
}

Variant::Variant(double value) noexcept : Variant() {
    V_VT(&v_) = VT_R8;
    V_R8(&v_) = value;
}

Variant::Variant(IDispatch* object) noexcept : Variant() {
    V_VT(&v_) = VT_DISPATCH;
    V_DISPATCH(&v_) = object;
    if (object) object->AddRef();
}

Variant::Variant(Variant&& other) noexcept : Variant() {
    v_ = other.v_;
    ::VariantInit(&other.v_);
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        reset();
        v_ = other.v_;
        ::VariantInit(&other.v_);
    }
    return *this;
}

VARIANT Variant::release() noexcept {
    VARIANT out = v_;
    ::VariantInit(&v_);
    return out;
}

std::optional<std::wstring> ToText(const VARIANT& value) {
    if (V_VT(&value) == VT_BSTR) return BstrText(V_BSTR(&value));
    Variant text;
    if (FAILED(::VariantChangeTypeEx(text.get(), const_cast<VARIANT*>(&value), LOCALE_USER_DEFAULT, 0, VT_BSTR))) return std::nullopt;
    return BstrText(V_BSTR(text.get()));
}

std::optional<std::int32_t> ToInt32(const VARIANT& value) {
    Variant out;
    if (FAILED(::VariantChangeTypeEx(out.get(), const_cast<VARIANT*>(&value), LOCALE_USER_DEFAULT, 0, VT_I4))) return std::nullopt;
    return V_I4(out.get());
}

std::optional<double> ToDouble(const VARIANT& value) {
    Variant out;
    if (FAILED(::VariantChangeTypeEx(out.get(), const_cast<VARIANT*>(&value), LOCALE_USER_DEFAULT, 0, VT_R8))) return std::nullopt;
    return V_R8(out.get());
}

std::optional<std::int32_t> TextToInt32(std::wstring_view text) {
    // VarI4FromStr wants a NUL-terminated string.
    std::wstring copy(text);
    LONG out = 0;
    if (FAILED(::VarI4FromStr(copy.data(), LOCALE_USER_DEFAULT, 0, &out))) return std::nullopt;
    return static_cast<std::int32_t>(out);
}

}  // namespace win
