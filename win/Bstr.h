#pragma once
// Owning BSTR.
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace win {

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(std::wstring_view text)
        : s_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { reset(); }

    Bstr(Bstr&& other) noexcept : s_(other.release()) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const noexcept { return s_; }
    BSTR* put() noexcept {
        reset();
        return &s_;
    }
    BSTR release() noexcept { return std::exchange(s_, nullptr); }
    void reset(BSTR s = nullptr) noexcept {
        BSTR old = std::exchange(s_, s);
        if (old) ::SysFreeString(old);
    }

    std::wstring str() const { return s_ ? std::wstring(s_, ::SysStringLen(s_)) : std::wstring(); }

private:
    BSTR s_ = nullptr;
};

}  // namespace win
