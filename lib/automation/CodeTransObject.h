#pragma once
// LabelSupport.CodeTrans: the class CodeTrans behind its dual interface ICodeTrans.
#include <span>

#include "labelsupport.h"
#include "lib/CodeTrans.h"
#include "lib/automation/AutomationObject.h"

namespace labelsupport {

class CodeTransObject final : public AutomationObject<CodeTransObject, ICodeTrans> {
public:
    static constexpr const char16_t* kSource = support::CodeTrans::kSource;
    static std::span<const Member> Members() noexcept;

    HRESULT STDMETHODCALLTYPE Unicode8Decode(SAFEARRAY** bTemp, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE Unicode8Encode(BSTR* bTemp, SAFEARRAY** result) override;
    HRESULT STDMETHODCALLTYPE UnicodeDecode(SAFEARRAY** bTemp, VARIANT_BOOL BigEndian, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE UnicodeEncode(BSTR* bTemp, VARIANT_BOOL BigEndian, SAFEARRAY** result) override;
    HRESULT STDMETHODCALLTYPE EncodeToBytes(BSTR sData, SAFEARRAY** result) override;
    HRESULT STDMETHODCALLTYPE DecodeToBytes(BSTR sData, SAFEARRAY** result) override;

private:
    friend class AutomationObject<CodeTransObject, ICodeTrans>;
    ~CodeTransObject() = default;

    support::CodeTrans codec_;
};

}  // namespace labelsupport
