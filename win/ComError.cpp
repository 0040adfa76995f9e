#include "win/ComError.h"

#include <cstdio>
#include <utility>

namespace win {

ComError::ComError(HRESULT hr, std::wstring description) : hr_(hr), description_(std::move(description)) {
    std::snprintf(what_, sizeof(what_), "automation call failed (0x%08lX)", static_cast<unsigned long>(hr));
}

void Check(HRESULT hr) {
    if (FAILED(hr)) throw ComError(hr);
}

}  // namespace win
