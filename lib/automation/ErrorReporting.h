#pragma once
// How a failed call reaches an automation caller. A run-time error of the support library becomes
// the HRESULT MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number) (0x800A0005 for error 5),
// which script engines and Visual Basic read back as Err.Number 5, together with its source and
// description: in the EXCEPINFO of IDispatch::Invoke, or in the thread's IErrorInfo for a call
// through the interface's own table of operations.
#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <new>

#include "lib/RuntimeError.h"
#include "lib/Text.h"

namespace labelsupport {

// A null pointer where an operation of the interface table needs an argument or a result slot.
struct NullPointer {};

template <typename T>
T& Need(T* pointer) {
    if (!pointer) throw NullPointer{};
    return *pointer;
}

// An [out, retval] slot, emptied first so that a failed call leaves nothing in it.
template <typename T>
T& Out(T* slot) {
    Need(slot) = T{};
    return *slot;
}

HRESULT ErrorHResult(std::int32_t number) noexcept;

// The outcome of one call: S_OK, or the HRESULT of a failure with, for run-time errors, the
// source and description the caller is to see.
struct Outcome {
    HRESULT hr = S_OK;
    bool described = false;
    support::Text source;
    support::Text description;
};

// The outcome of an exception in flight; call only from a catch block.
Outcome CurrentFailure(const char16_t* source) noexcept;

// Runs a call and catches whatever it throws: nothing leaves an automation call.
template <typename Body>
Outcome Guarded(const char16_t* source, Body&& body) noexcept {
    try {
        body();
        return Outcome{};
    } catch (...) {
        return CurrentFailure(source);
    }
}

// For a call through the interface table: sets the thread's error information (or clears it for
// a failure that has none) and returns the HRESULT.
HRESULT ReportThroughErrorInfo(const Outcome& outcome, REFIID iid) noexcept;
// For IDispatch::Invoke: a described failure becomes DISP_E_EXCEPTION with *info filled in; when
// the caller gave no EXCEPINFO, the error information is set as for the interface table.
HRESULT ReportThroughExcepInfo(const Outcome& outcome, REFIID iid, EXCEPINFO* info) noexcept;

}  // namespace labelsupport
