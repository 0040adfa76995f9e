#pragma once
// LabelSupport.Radix: the class Radix behind its dual interface IRadix.
#include <span>

#include "labelsupport.h"
#include "lib/Radix.h"
#include "lib/automation/AutomationObject.h"

namespace labelsupport {

class RadixObject final : public AutomationObject<RadixObject, IRadix> {
public:
    static constexpr const char16_t* kSource = support::Radix::kSource;
    static std::span<const Member> Members() noexcept;

    HRESULT STDMETHODCALLTYPE B2D(BSTR* vBStr, LONG* result) override;
    HRESULT STDMETHODCALLTYPE D2B(LONG* Dec, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE H2B(BSTR Hex, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE B2H(BSTR Bin, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE H2D(BSTR Hex, LONG* result) override;
    HRESULT STDMETHODCALLTYPE D2H(LONG* Dec, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE D2O(LONG* Dec, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE O2D(BSTR Oct, LONG* result) override;
    HRESULT STDMETHODCALLTYPE B2O(BSTR Bin, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE O2B(BSTR Oct, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE O2H(BSTR Oct, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE H2O(BSTR Hex, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE H2A(BSTR* InputData, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE S2H(LONG* Num, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE S2H2(LONG* Num, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE A2H(BSTR* str, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE FHexToInt(BSTR str, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE FHexToInt6(BSTR str, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE FHexToInt4(BSTR str, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE IntToFHex(LONG nums, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE IntToFHex6(LONG nums, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE IntToFHex4(LONG nums, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE B2S(VARIANT str, VARIANT* result) override;
    HRESULT STDMETHODCALLTYPE V2H(BSTR sHex, VARIANT* bUnicode, VARIANT* result) override;
    HRESULT STDMETHODCALLTYPE A2B(BSTR* str, VARIANT* result) override;
    HRESULT STDMETHODCALLTYPE B2A(VARIANT* vData, BSTR* result) override;

private:
    friend class AutomationObject<RadixObject, IRadix>;
    ~RadixObject() = default;

    support::Radix radix_;
};

}  // namespace labelsupport
