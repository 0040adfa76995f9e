#pragma once
// Fonts sized in points, as a form designer gives them.
#include <windows.h>

#include "win/UniqueResource.h"

namespace win {

// A font of the given face and point size at the given DPI. Sizes go to hundredths of a point, as a
// designer's 14.25 pt does.
UniqueFont CreatePointFont(const wchar_t* face, double points, bool bold, UINT dpi);

}  // namespace win
