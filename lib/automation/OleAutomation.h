#pragma once
// What the header widl generates from labelsupport.idl includes for OleAutomation.idl: the SDK's
// own automation declarations.
#include <oaidl.h>
