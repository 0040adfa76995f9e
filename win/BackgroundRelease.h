#pragma once
// Frees a large value off the calling thread. Freeing a block of a million cells copied out of a
// spreadsheet takes a noticeable fraction of a second (one string per cell), which the operator
// should not wait for.
#include "win/Variant.h"

namespace win {

// Takes the value; a thread of the system's pool frees it. Values that hold objects (which belong to
// the calling thread's apartment) are freed here and now instead.
void ReleaseInBackground(Variant&& value) noexcept;

}  // namespace win
