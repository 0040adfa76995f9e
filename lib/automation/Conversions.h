#pragma once
// Between automation values (VARIANT, BSTR, SAFEARRAY) and the support library's types.
//
// Reading an argument follows what Visual Basic does when it passes a variant to a typed
// parameter: by-reference variants are followed to the value, numbers and texts convert under
// the caller's locale, and a value that does not convert is a run-time error (13 type mismatch,
// 6 overflow) without a source; the object that reads it names itself as the source.
//
// Byte arrays: a one-dimensional SAFEARRAY of bytes keeps its bounds. Where a byte array is
// expected, a one-dimensional array of numbers (a script's Array(...) of variants, or an array of
// integers from Visual Basic) is accepted as well, each element converted as CByte converts it:
// numbers round to the nearest integer, half to even, and must then lie in 0 to 255 (else error 6);
// an Empty element counts as 0; a text, Boolean, date, Null, object or error value is no number
// (error 13). An array that was never allocated (a null SAFEARRAY) is error 9, as its bounds
// would be in Visual Basic; anything other than a one-dimensional array is error 13.
#include <oaidl.h>
#include <windows.h>

#include <cstdint>

#include "lib/ByteArray.h"
#include "lib/Text.h"
#include "lib/TextOrBytes.h"

namespace labelsupport {

using support::ByteArray;
using support::Text;
using support::TextOrBytes;

// The value a VARIANT stands for, following VT_BYREF|VT_VARIANT links; nullptr when a link is a
// null pointer or the chain does not end.
const VARIANT* Dereference(const VARIANT& value) noexcept;

// An optional argument that the caller left out: VT_ERROR holding DISP_E_PARAMNOTFOUND.
bool IsMissing(const VARIANT& value) noexcept;

Text TextOf(BSTR text);
Text TextFrom(const VARIANT& value, LCID lcid);
std::int32_t Int32From(const VARIANT& value, LCID lcid);
bool BoolFrom(const VARIANT& value, LCID lcid);
// A byte array, or an array of numbers taken as bytes.
ByteArray BytesFrom(const VARIANT& value);
ByteArray BytesFrom(SAFEARRAY* array);
// A byte array (or array of numbers) gives bytes; a text, or Empty, gives a text.
TextOrBytes TextOrBytesFrom(const VARIANT& value);

// New automation values; running out of memory throws std::bad_alloc.
BSTR NewBstr(const Text& text);
// A SAFEARRAY of bytes with the array's bounds.
SAFEARRAY* NewSafeArray(const ByteArray& bytes);
// Fill a VARIANT that holds nothing.
void SetText(VARIANT* result, const Text& text);
void SetInt32(VARIANT* result, std::int32_t value) noexcept;
void SetBytes(VARIANT* result, const ByteArray& bytes);
void SetTextOrBytes(VARIANT* result, const TextOrBytes& value);

// Writes an integer back into the caller's variable behind a by-reference argument. A variable
// keeps its type where the value converts to it (an Integer stays an Integer), otherwise it
// becomes a Long. An argument passed by value is left alone.
void StoreInt32(VARIANT& argument, std::int32_t value) noexcept;

}  // namespace labelsupport
