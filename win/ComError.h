#pragma once
// The error of a failed automation call: its HRESULT and the server's description.
#include <windows.h>

#include <exception>
#include <string>

namespace win {

class ComError : public std::exception {
public:
    explicit ComError(HRESULT hr, std::wstring description = {});
    HRESULT hr() const noexcept { return hr_; }
    const std::wstring& description() const noexcept { return description_; }
    // "automation call failed (0x80020009)", for logs and test reports.
    const char* what() const noexcept override { return what_; }

private:
    HRESULT hr_;
    std::wstring description_;
    char what_[48];
};

// Throws ComError when hr is a failure.
void Check(HRESULT hr);

// Runs a step and says how it ended: S_OK, the code of the ComError it threw, or E_FAIL for a failure of
// another kind.
template <typename Step>
HRESULT ResultOf(Step&& step) noexcept {
    try {
        step();
        return S_OK;
    } catch (const ComError& e) {
        return FAILED(e.hr()) ? e.hr() : E_FAIL;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace win
