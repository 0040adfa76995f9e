#pragma once
// Fonts sized in points, as a form designer gives them.
#include <windows.h>

#include "win/UniqueResource.h"

namespace win {

// A font of the given face and point size (fractions allowed, 14.25 pt is common) at the given DPI.
UniqueFont CreatePointFont(const wchar_t* face, double points, bool bold, int dpi);

}  // namespace win
