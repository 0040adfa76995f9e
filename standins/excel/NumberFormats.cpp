#include "standins/excel/NumberFormats.h"

namespace xlsx {

bool IsBuiltInDateFormat(std::uint32_t id) noexcept {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool IsDateFormatCode(std::wstring_view code) noexcept {
    auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    for (std::size_t i = 0; i < code.size(); ++i) {
        wchar_t c = lower(code[i]);
        switch (c) {
            case L'"': {  // literal text
                std::size_t close = code.find(L'"', i + 1);
                if (close == std::wstring_view::npos) return false;
                i = close;
                continue;
            }
            case L'\\':  // one escaped character
            case L'_':   // space as wide as the next character
            case L'*':   // fill with the next character
                ++i;
                continue;
            case L'[': {
                std::size_t close = code.find(L']', i + 1);
                if (close == std::wstring_view::npos) return false;
                std::wstring_view inside = code.substr(i + 1, close - i - 1);
                // Elapsed time: [h], [hh], [mm], [ss] ...
                bool elapsed = !inside.empty();
                for (wchar_t e : inside) {
                    wchar_t l = lower(e);
                    if (l != lower(inside.front()) || (l != L'h' && l != L'm' && l != L's')) elapsed = false;
                }
                if (elapsed) return true;
                i = close;
                continue;
            }
            case L'g':
                // "General" is the one keyword with a g; skip it so its letters do not count.
                if (code.size() - i >= 7) {
                    bool general = true;
                    const wchar_t* word = L"general";
                    for (std::size_t k = 0; k < 7; ++k)
                        if (lower(code[i + k]) != word[k]) general = false;
                    if (general) {
                        i += 6;
                        continue;
                    }
                }
                continue;
            case L'y':
            case L'm':
            case L'd':
            case L'h':
            case L's':
                return true;
            default:
                continue;
        }
    }
    return false;
}

}  // namespace xlsx
