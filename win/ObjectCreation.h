#pragma once
// Automation objects by class name: a new instance, or the running one registered for the class.
#include <oaidl.h>

#include "win/ComPtr.h"

namespace win {

// Creates an object by class name, or attaches to the running instance registered for it.
ComPtr<IDispatch> CreateObject(const wchar_t* progId);
ComPtr<IDispatch> GetRunningObject(const wchar_t* progId);

}  // namespace win
