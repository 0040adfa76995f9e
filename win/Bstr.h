#pragma once
// Owning BSTR.
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <string_view>

#include "win/UniqueResource.h"

namespace win {

struct BstrTraits {
    using pointer = BSTR;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer s) noexcept { ::SysFreeString(s); }
};
using Bstr = UniqueResource<BstrTraits>;

// A new BSTR holding `text`; an empty owner when memory ran out.
inline Bstr MakeBstr(std::wstring_view text) {
    return Bstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// The text of a BSTR, embedded zeros included; a null BSTR is the empty text.
inline std::wstring BstrText(BSTR s) { return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring(); }

}  // namespace win
