#pragma once
// Owning VARIANT and the standard conversions the program uses.
#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace win {

class Variant {
public:
    // What VariantInit does, without a call into the automation library (the program loads that
    // library late, and empty variants are made early).
    Variant() noexcept { V_VT(&v_) = VT_EMPTY; }
    ~Variant() { reset(); }

    // Typed constructors: text is VT_BSTR, bool is VT_BOOL, int16 is VT_I2, int32 is VT_I4.
    explicit Variant(std::wstring_view text);
    explicit Variant(const wchar_t* text) : Variant(std::wstring_view(text)) {}
    explicit Variant(bool value) noexcept;
    explicit Variant(std::int16_t value) noexcept;
    explicit Variant(std::int32_t value) noexcept;
    explicit Variant(double value) noexcept;
    // Takes a new reference to the object.
    explicit Variant(IDispatch* object) noexcept;

    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    const VARIANT* get() const noexcept { return &v_; }
    VARIANT* get() noexcept { return &v_; }
    // Clears the current value and hands out the VARIANT for an API to fill.
    VARIANT* put() noexcept {
        reset();
        return &v_;
    }
    VARIANT release() noexcept;
    void reset() noexcept { ::VariantClear(&v_); }

    VARTYPE type() const noexcept { return V_VT(&v_); }
    bool empty() const noexcept { return V_VT(&v_) == VT_EMPTY; }

private:
    VARIANT v_;
};

// The system's standard variant-to-text conversion under the user's locale.
// Fails (nullopt) where it does: error values, objects without a default value, arrays.
std::optional<std::wstring> ToText(const VARIANT& value);

// Variant to 32-bit integer / double under the user's locale; text is parsed, halves round to even.
std::optional<std::int32_t> ToInt32(const VARIANT& value);
std::optional<double> ToDouble(const VARIANT& value);

// Text to 32-bit integer as the automation library converts it (rounds halves to even, accepts &H).
std::optional<std::int32_t> TextToInt32(std::wstring_view text);

}  // namespace win
