#include "win/Font.h"

#include <cmath>

namespace win {

UniqueFont CreatePointFont(const wchar_t* face, double points, bool bold, UINT dpi) {
    // A negative height asks for the character height (em size) rather than the cell height:
    // points * dpi / 72, rounded as MulDiv rounds.
    int hundredths = static_cast<int>(std::lround(points * 100));
    int height = -::MulDiv(hundredths, static_cast<int>(dpi), 72 * 100);
    return UniqueFont(::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                    face));
}

}  // namespace win
