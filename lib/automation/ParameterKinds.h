#pragma once
// The kinds of parameters labelsupport.idl declares, named after the declaration (InBstrRef is
// "[in] BSTR*", RetVariant is "[out, retval] VARIANT*"). A kind says how its value reaches the
// support class by both roads a caller takes: through the interface's own table of operations
// (FromTable, typed C++ parameters) and through IDispatch::Invoke (FromDispatch, VARIANT arguments
// read as Conversions.h describes); an in-out kind also writes the new value back (WriteBack). A
// result kind stores the class's result in the [out, retval] slot (Store) or in Invoke's result
// (Set). Operations.h describes each operation as a list of these kinds.
#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <utility>

#include "lib/automation/Conversions.h"
#include "lib/automation/DispatchArguments.h"
#include "lib/automation/ErrorReporting.h"

namespace labelsupport {

// What every argument kind has unless it says otherwise: passed by value, required, only read.
struct ArgumentKind {
    static constexpr bool kIsResult = false;
    static constexpr bool kByReference = false;
    static constexpr bool kOptional = false;
    static constexpr bool kInOut = false;
    // The value read is handed to the class and not needed again.
    template <typename Value>
    static Value&& Pass(Value& value) noexcept {
        return std::move(value);
    }
    template <typename Parameter, typename Value>
    static void WriteBack(Parameter, const Value&) noexcept {}
    template <typename Value>
    static void WriteBack(const DispatchArguments&, unsigned, const Value&) noexcept {}
};

// [in] BSTR
struct InBstr : ArgumentKind {
    using Parameter = BSTR;
    static Text FromTable(BSTR text) { return TextOf(text); }
    static Text FromDispatch(const DispatchArguments& args, unsigned i) { return args.TextAt(i); }
};

// [in] LONG
struct InLong : ArgumentKind {
    using Parameter = LONG;
    static std::int32_t FromTable(LONG number) noexcept { return number; }
    static std::int32_t FromDispatch(const DispatchArguments& args, unsigned i) { return args.Int32At(i); }
};

// A SAFEARRAY(unsigned char), as the pointer that InBytesRef points to.
struct InBytes : ArgumentKind {
    using Parameter = SAFEARRAY*;
    static ByteArray FromTable(SAFEARRAY* bytes) { return BytesFrom(bytes); }
    static ByteArray FromDispatch(const DispatchArguments& args, unsigned i) { return args.BytesAt(i); }
};

// [in] VARIANT holding a byte array (or a script's array of numbers).
struct InBytesVariant : ArgumentKind {
    using Parameter = VARIANT;
    static ByteArray FromTable(const VARIANT& bytes) { return BytesFrom(bytes); }
    static ByteArray FromDispatch(const DispatchArguments& args, unsigned i) { return args.BytesAt(i); }
};

// A VARIANT holding a text or a byte array, as the value that InTextOrBytesRef points to.
struct InTextOrBytes : ArgumentKind {
    using Parameter = VARIANT;
    static TextOrBytes FromTable(const VARIANT& value) { return TextOrBytesFrom(value); }
    static TextOrBytes FromDispatch(const DispatchArguments& args, unsigned i) { return args.TextOrBytesAt(i); }
};

// [in] T* for the kind of [in] T: a script's variable, only read. Invoke callers pass it the same
// way either way.
template <typename Pointee>
struct InRef : Pointee {
    static constexpr bool kByReference = true;
    using Parameter = typename Pointee::Parameter*;
    static auto FromTable(Parameter value) { return Pointee::FromTable(Need(value)); }
};
using InBstrRef = InRef<InBstr>;                // [in] BSTR*
using InLongRef = InRef<InLong>;                // [in] LONG*
using InBytesRef = InRef<InBytes>;              // [in] SAFEARRAY(unsigned char)*
using InTextOrBytesRef = InRef<InTextOrBytes>;  // [in] VARIANT* holding a text or a byte array

// [in, out] LONG*: the class works on the caller's variable. The variable changes only once the
// result exists, so a failure leaves it as it was.
struct InOutLongRef : ArgumentKind {
    static constexpr bool kByReference = true;
    static constexpr bool kInOut = true;
    using Parameter = LONG*;
    struct Value {
        std::int32_t before;
        std::int32_t working;
    };
    static Value FromTable(LONG* number) {
        const std::int32_t value = Need(number);
        return {value, value};
    }
    static Value FromDispatch(const DispatchArguments& args, unsigned i) {
        const std::int32_t value = args.Int32At(i);
        return {value, value};
    }
    static std::int32_t& Pass(Value& value) noexcept { return value.working; }
    static void WriteBack(LONG* number, const Value& value) noexcept { *number = value.working; }
    static void WriteBack(const DispatchArguments& args, unsigned i, const Value& value) noexcept {
        args.UpdateInt32(i, value.before, value.working);
    }
};

// [in, optional, defaultvalue(0)] VARIANT_BOOL
struct OptionalBool : ArgumentKind {
    static constexpr bool kOptional = true;
    using Parameter = VARIANT_BOOL;
    static bool FromTable(VARIANT_BOOL value) noexcept { return value != VARIANT_FALSE; }
    static bool FromDispatch(const DispatchArguments& args, unsigned i) { return args.BoolAt(i, false); }
};

// [in, optional] VARIANT*: false when left out, whether by a C++ caller's null pointer or by the
// "missing" marker.
struct OptionalBoolRef : ArgumentKind {
    static constexpr bool kByReference = true;
    static constexpr bool kOptional = true;
    using Parameter = VARIANT*;
    static bool FromTable(VARIANT* value) {
        return value && !IsMissing(*value) && BoolFrom(*value, LOCALE_USER_DEFAULT);
    }
    static bool FromDispatch(const DispatchArguments& args, unsigned i) { return args.BoolAt(i, false); }
};

// The [out, retval] slot; emptied before anything else, so that a failed call leaves nothing in it.
template <typename Slot>
struct ResultKind {
    static constexpr bool kIsResult = true;
    static constexpr bool kByReference = true;
    static constexpr bool kOptional = false;
    static constexpr bool kInOut = false;
    using Parameter = Slot*;
    static void Empty(Slot* slot) { Out(slot); }
};

// [out, retval] LONG*
struct RetLong : ResultKind<LONG> {
    static void Store(LONG* slot, std::int32_t value) noexcept { *slot = value; }
    static void Set(VARIANT* result, std::int32_t value) noexcept { SetInt32(result, value); }
};

// [out, retval] BSTR*
struct RetBstr : ResultKind<BSTR> {
    static void Store(BSTR* slot, const Text& value) { *slot = NewBstr(value); }
    static void Set(VARIANT* result, const Text& value) { SetText(result, value); }
};

// [out, retval] SAFEARRAY(unsigned char)*
struct RetBytes : ResultKind<SAFEARRAY*> {
    static void Store(SAFEARRAY** slot, const ByteArray& value) { *slot = NewSafeArray(value); }
    static void Set(VARIANT* result, const ByteArray& value) { SetBytes(result, value); }
};

// [out, retval] VARIANT* holding a text or a byte array.
struct RetVariant : ResultKind<VARIANT> {
    static void Store(VARIANT* slot, const TextOrBytes& value) { SetTextOrBytes(slot, value); }
    static void Set(VARIANT* result, const TextOrBytes& value) { SetTextOrBytes(result, value); }
};

}  // namespace labelsupport
