#pragma once
// The BarTender stand-in's object model: the members a label print makes.
//
//   Application  Version, Visible (get and put), Formats, Quit(save option)
//   Formats      Open(path, close out the first format (ignored), printer)
//   Format       SetNamedSubStringValue(name, value); Printer, IdenticalCopiesOfLabel and
//                NumberSerializedLabels (get and put); PrintOut(status window, print dialog);
//                Close(save option)
//
// A printer must be one the stand-in pretends is installed: a few label printers, Microsoft Print to
// PDF and the template's own. A label count is a whole number of 1 or more. Every call on a closed
// format fails; the stand-in never writes a template.
#include <oaidl.h>

namespace standin {

inline constexpr wchar_t kBarTender[] = L"BarTender";

// The code of the stand-in's own failures (an interface-specific error, as BarTender raises them).
inline constexpr HRESULT kBarTenderError = static_cast<HRESULT>(0x80040200);

IDispatch* NewBarTenderApplication();

}  // namespace standin
