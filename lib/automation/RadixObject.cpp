#include "lib/automation/RadixObject.h"

namespace labelsupport {

namespace {

using Args = const DispatchArguments&;
using Radix = support::Radix;
using DigitsOperation = Text (Radix::*)(std::int32_t&);

// D2B, D2H and D2O work on the caller's variable: it ends at 0 when it was positive. The variable
// changes only once the result exists, so a failure leaves it as it was.
void DigitsThroughTable(Radix& radix, DigitsOperation operation, LONG* Dec, BSTR* result) {
    BSTR& out = Out(result);
    LONG& variable = Need(Dec);
    std::int32_t working = variable;
    out = NewBstr((radix.*operation)(working));
    variable = working;
}

void DigitsThroughDispatch(Radix& radix, DigitsOperation operation, Args args, VARIANT* result) {
    const std::int32_t before = args.Int32At(0);
    std::int32_t working = before;
    SetText(result, (radix.*operation)(working));
    args.UpdateInt32(0, before, working);
}

}  // namespace

std::span<const RadixObject::Member> RadixObject::Members() noexcept {
    static const Member members[] = {
        {0x60030000, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetInt32(result, self.radix_.B2D(args.TextAt(0))); }},
        {0x60030001, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             DigitsThroughDispatch(self.radix_, &Radix::D2B, args, result);
         }},
        {0x60030002, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.H2B(args.TextAt(0))); }},
        {0x60030003, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.B2H(args.TextAt(0))); }},
        {0x60030004, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetInt32(result, self.radix_.H2D(args.TextAt(0))); }},
        {0x60030005, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             DigitsThroughDispatch(self.radix_, &Radix::D2H, args, result);
         }},
        {0x60030006, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             DigitsThroughDispatch(self.radix_, &Radix::D2O, args, result);
         }},
        {0x60030007, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetInt32(result, self.radix_.O2D(args.TextAt(0))); }},
        {0x60030008, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.B2O(args.TextAt(0))); }},
        {0x60030009, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.O2B(args.TextAt(0))); }},
        {0x6003000A, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.O2H(args.TextAt(0))); }},
        {0x6003000B, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.H2O(args.TextAt(0))); }},
        {0x6003000C, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.H2A(args.TextAt(0))); }},
        {0x6003000D, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.S2H(args.Int32At(0))); }},
        {0x6003000E, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.S2H2(args.Int32At(0))); }},
        {0x6003000F, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.A2H(args.TextAt(0))); }},
        {0x60030010, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) { SetText(result, self.radix_.FHexToInt(args.TextAt(0))); }},
        {0x60030011, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             SetText(result, self.radix_.FHexToInt6(args.TextAt(0)));
         }},
        {0x60030012, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             SetText(result, self.radix_.FHexToInt4(args.TextAt(0)));
         }},
        {0x60030013, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             SetText(result, self.radix_.IntToFHex(args.Int32At(0)));
         }},
        {0x60030014, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             SetText(result, self.radix_.IntToFHex6(args.Int32At(0)));
         }},
        {0x60030015, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             SetText(result, self.radix_.IntToFHex4(args.Int32At(0)));
         }},
        {0x60030016, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             SetTextOrBytes(result, self.radix_.B2S(args.BytesAt(0)));
         }},
        {0x60030017, 2, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             // Read both arguments before the call, as a typed call would convert them.
             Text sHex = args.TextAt(0);
             const bool bUnicode = args.BoolAt(1, false);
             SetTextOrBytes(result, self.radix_.V2H(std::move(sHex), bUnicode));
         }},
        {0x60030018, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             SetTextOrBytes(result, self.radix_.A2B(args.TextAt(0)));
         }},
        {0x60030019, 1, 1,
         [](RadixObject& self, Args args, VARIANT* result) {
             SetText(result, self.radix_.B2A(args.TextOrBytesAt(0)));
         }},
    };
    return members;
}

HRESULT RadixObject::B2D(BSTR* vBStr, LONG* result) {
    return Run([&] {
        LONG& out = Out(result);
        out = radix_.B2D(TextOf(Need(vBStr)));
    });
}

HRESULT RadixObject::D2B(LONG* Dec, BSTR* result) {
    return Run([&] { DigitsThroughTable(radix_, &Radix::D2B, Dec, result); });
}

HRESULT RadixObject::H2B(BSTR Hex, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.H2B(TextOf(Hex)));
    });
}

HRESULT RadixObject::B2H(BSTR Bin, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.B2H(TextOf(Bin)));
    });
}

HRESULT RadixObject::H2D(BSTR Hex, LONG* result) {
    return Run([&] {
        LONG& out = Out(result);
        out = radix_.H2D(TextOf(Hex));
    });
}

HRESULT RadixObject::D2H(LONG* Dec, BSTR* result) {
    return Run([&] { DigitsThroughTable(radix_, &Radix::D2H, Dec, result); });
}

HRESULT RadixObject::D2O(LONG* Dec, BSTR* result) {
    return Run([&] { DigitsThroughTable(radix_, &Radix::D2O, Dec, result); });
}

HRESULT RadixObject::O2D(BSTR Oct, LONG* result) {
    return Run([&] {
        LONG& out = Out(result);
        out = radix_.O2D(TextOf(Oct));
    });
}

HRESULT RadixObject::B2O(BSTR Bin, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.B2O(TextOf(Bin)));
    });
}

HRESULT RadixObject::O2B(BSTR Oct, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.O2B(TextOf(Oct)));
    });
}

HRESULT RadixObject::O2H(BSTR Oct, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.O2H(TextOf(Oct)));
    });
}

HRESULT RadixObject::H2O(BSTR Hex, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.H2O(TextOf(Hex)));
    });
}

HRESULT RadixObject::H2A(BSTR* InputData, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.H2A(TextOf(Need(InputData))));
    });
}

HRESULT RadixObject::S2H(LONG* Num, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.S2H(Need(Num)));
    });
}

HRESULT RadixObject::S2H2(LONG* Num, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.S2H2(Need(Num)));
    });
}

HRESULT RadixObject::A2H(BSTR* str, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.A2H(TextOf(Need(str))));
    });
}

HRESULT RadixObject::FHexToInt(BSTR str, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.FHexToInt(TextOf(str)));
    });
}

HRESULT RadixObject::FHexToInt6(BSTR str, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.FHexToInt6(TextOf(str)));
    });
}

HRESULT RadixObject::FHexToInt4(BSTR str, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.FHexToInt4(TextOf(str)));
    });
}

HRESULT RadixObject::IntToFHex(LONG nums, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.IntToFHex(nums));
    });
}

HRESULT RadixObject::IntToFHex6(LONG nums, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.IntToFHex6(nums));
    });
}

HRESULT RadixObject::IntToFHex4(LONG nums, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.IntToFHex4(nums));
    });
}

HRESULT RadixObject::B2S(VARIANT str, VARIANT* result) {
    return Run([&] {
        VARIANT& out = Out(result);
        SetTextOrBytes(&out, radix_.B2S(BytesFrom(str)));
    });
}

HRESULT RadixObject::V2H(BSTR sHex, VARIANT* bUnicode, VARIANT* result) {
    return Run([&] {
        VARIANT& out = Out(result);
        // Left out: a null pointer from a C++ caller, or the "missing" marker.
        const bool bytes = bUnicode && !IsMissing(*bUnicode) && BoolFrom(*bUnicode, LOCALE_USER_DEFAULT);
        SetTextOrBytes(&out, radix_.V2H(TextOf(sHex), bytes));
    });
}

HRESULT RadixObject::A2B(BSTR* str, VARIANT* result) {
    return Run([&] {
        VARIANT& out = Out(result);
        SetTextOrBytes(&out, radix_.A2B(TextOf(Need(str))));
    });
}

HRESULT RadixObject::B2A(VARIANT* vData, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(radix_.B2A(TextOrBytesFrom(Need(vData))));
    });
}

}  // namespace labelsupport
