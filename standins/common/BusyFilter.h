#pragma once
// A stand-in that is busy, as Excel is while the operator edits a cell or has a dialog open, and as
// BarTender is while it works on a job: the server's message filter refuses incoming calls, and COM
// fails them in the client with RPC_E_CALL_REJECTED before the object sees them.
//
// Switch, under HKCU\Software\LabelPrint\Standins\<server>:
//   BusyForMs  DWORD  refuse calls for this many milliseconds, counted from the first call that
//                     arrives after the switch was set. The server removes the switch when it
//                     starts being busy, so setting it again makes another busy spell.
// Only automation calls (IDispatch) and object creation (IClassFactory) are refused: refusing the
// reference counting of COM itself would leave objects alive for ever.
// A refused call is logged with the kind "refused" (see CallLog.h).
#include <string>

namespace standin {

// Registers the filter for the calling thread's apartment; the filter lives for the process.
void RegisterBusyFilter(const std::wstring& server);

}  // namespace standin
