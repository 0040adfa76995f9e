#pragma once
// The operations of labelsupport.dll, each described once: its name (that of the interface method
// and of the support class's member function it runs), its dispatch id, and its parameters in the
// interface's order as ParameterKinds.h names them, the [out, retval] result last. labelsupport.idl
// declares the same; the automation objects get their interface methods and their IDispatch entries
// from these lines, and TypeLibraryTest holds the lines against the compiled type library.
//
// Adding an operation: declare it in labelsupport.idl, give the support class the member function,
// and add its line here.
#include "lib/automation/OperationCall.h"

// IRadix, served by support::Radix.
#define LABELSUPPORT_IRADIX_OPERATIONS(X)                            \
    X(B2D, 0x60030000, (InBstrRef, RetLong))                         \
    X(D2B, 0x60030001, (InOutLongRef, RetBstr))                      \
    X(H2B, 0x60030002, (InBstr, RetBstr))                            \
    X(B2H, 0x60030003, (InBstr, RetBstr))                            \
    X(H2D, 0x60030004, (InBstr, RetLong))                            \
    X(D2H, 0x60030005, (InOutLongRef, RetBstr))                      \
    X(D2O, 0x60030006, (InOutLongRef, RetBstr))                      \
    X(O2D, 0x60030007, (InBstr, RetLong))                            \
    X(B2O, 0x60030008, (InBstr, RetBstr))                            \
    X(O2B, 0x60030009, (InBstr, RetBstr))                            \
    X(O2H, 0x6003000A, (InBstr, RetBstr))                            \
    X(H2O, 0x6003000B, (InBstr, RetBstr))                            \
    X(H2A, 0x6003000C, (InBstrRef, RetBstr))                         \
    X(S2H, 0x6003000D, (InLongRef, RetBstr))                         \
    X(S2H2, 0x6003000E, (InLongRef, RetBstr))                        \
    X(A2H, 0x6003000F, (InBstrRef, RetBstr))                         \
    X(FHexToInt, 0x60030010, (InBstr, RetBstr))                      \
    X(FHexToInt6, 0x60030011, (InBstr, RetBstr))                     \
    X(FHexToInt4, 0x60030012, (InBstr, RetBstr))                     \
    X(IntToFHex, 0x60030013, (InLong, RetBstr))                      \
    X(IntToFHex6, 0x60030014, (InLong, RetBstr))                     \
    X(IntToFHex4, 0x60030015, (InLong, RetBstr))                     \
    X(B2S, 0x60030016, (InBytesVariant, RetVariant))                 \
    X(V2H, 0x60030017, (InBstr, OptionalBoolRef, RetVariant))        \
    X(A2B, 0x60030018, (InBstrRef, RetVariant))                      \
    X(B2A, 0x60030019, (InTextOrBytesRef, RetBstr))

// ICodeTrans, served by support::CodeTrans.
#define LABELSUPPORT_ICODETRANS_OPERATIONS(X)                        \
    X(Unicode8Decode, 0x60030000, (InBytesRef, RetBstr))             \
    X(Unicode8Encode, 0x60030001, (InBstrRef, RetBytes))             \
    X(UnicodeDecode, 0x60030002, (InBytesRef, OptionalBool, RetBstr)) \
    X(UnicodeEncode, 0x60030003, (InBstrRef, OptionalBool, RetBytes)) \
    X(EncodeToBytes, 0x60030004, (InBstr, RetBytes))                 \
    X(DecodeToBytes, 0x60030005, (InBstr, RetBytes))

// IWait, served by support::TimerWait.
#define LABELSUPPORT_IWAIT_OPERATIONS(X) X(Wait, 0x60030000, (InLongRef))

namespace labelsupport {

inline constexpr OperationFacts kRadixOperations[] = {LABELSUPPORT_IRADIX_OPERATIONS(LABELSUPPORT_OPERATION_FACTS)};
inline constexpr OperationFacts kCodeTransOperations[] = {
    LABELSUPPORT_ICODETRANS_OPERATIONS(LABELSUPPORT_OPERATION_FACTS)};
inline constexpr OperationFacts kWaitOperations[] = {LABELSUPPORT_IWAIT_OPERATIONS(LABELSUPPORT_OPERATION_FACTS)};

}  // namespace labelsupport
