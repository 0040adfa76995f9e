#include "win/Font.h"

#include <cmath>

namespace win {

UniqueFont CreatePointFont(const wchar_t* face, double points, bool bold, int dpi) {
    // A negative height asks for the character height (em size) rather than the cell height.
    int height = -static_cast<int>(std::lround(points * dpi / 72.0));
    return UniqueFont(::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                    face));
}

}  // namespace win
