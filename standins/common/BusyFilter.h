#pragma once
// A stand-in that is busy, as Excel is while the operator edits a cell or has a dialog open, and as
// BarTender is while it works on a job: the server's message filter turns incoming calls away before
// the object sees them, and the client's call fails with a busy error.
//
// Switches, under HKCU\Software\LabelPrint\Standins\<server>:
//   BusyForMs   DWORD   turn calls away for this many milliseconds, counted from the first call that
//                       arrives after the switch was set (so a test that sets it between two of its
//                       own calls makes the second one busy). The server removes the switch when it
//                       starts being busy, so setting it again makes another busy spell.
//   BusyAfter   REG_SZ  Object.Member names: the BusyForMs spell starts when such a call returns
//                       instead, so the calls after it in a sequence the test cannot interleave (a
//                       lookup, a print) are turned away. One-shot: removed when the spell starts.
//   BusyAnswer  REG_SZ  what a busy server answers:
//                         "rejected" (default)  SERVERCALL_REJECTED; the client's call fails with
//                                               RPC_E_CALL_REJECTED (0x80010001)
//                         "retrylater"          SERVERCALL_RETRYLATER, as Excel answers while a cell is
//                                               edited; the client's call fails with
//                                               RPC_E_SERVERCALL_RETRYLATER (0x8001010A)
//                       Read when a spell starts.
// This Wine's COM does not act on SERVERCALL_RETRYLATER: it carries the call out as if it were handled.
// So during a "retrylater" spell the objects themselves turn each call away with
// RPC_E_SERVERCALL_RETRYLATER (TurnAwayAsBusy), and the client sees what it sees on Windows.
//
// Only automation calls (IDispatch) are turned away. The creation is accepted, as the real applications
// accept it and refuse the calls that follow; a refused creation would only make the client's next try
// start another (single-use) server. Refusing the reference counting of COM itself would leave objects
// alive for ever. A refused call is logged with the kind "refused" and the HRESULT the client gets (see
// CallLog.h).
#include <string>

namespace standin {

// Registers the filter for the calling thread's apartment; the filter lives for the process.
void RegisterBusyFilter(const std::wstring& server);

// Called by the objects after each call they answered ("Object.Member"): starts the busy spell when
// BusyAfter names the call.
void BusyAfterCall(const std::wstring& call);

// Whether the object must turn the call it is entering away itself, returning
// RPC_E_SERVERCALL_RETRYLATER: the filter answered SERVERCALL_RETRYLATER and COM dispatched the call
// all the same. Call it first in every IDispatch method.
bool TurnAwayAsBusy();

}  // namespace standin
