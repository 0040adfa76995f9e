#include "lib/automation/CodeTransObject.h"

namespace labelsupport {

namespace {
using Args = const DispatchArguments&;
}  // namespace

std::span<const CodeTransObject::Member> CodeTransObject::Members() noexcept {
    static const Member members[] = {
        {0x60030000, 1, 1,
         [](CodeTransObject& self, Args args, VARIANT* result) {
             SetText(result, self.codec_.Unicode8Decode(args.BytesAt(0)));
         }},
        {0x60030001, 1, 1,
         [](CodeTransObject& self, Args args, VARIANT* result) {
             SetBytes(result, self.codec_.Unicode8Encode(args.TextAt(0)));
         }},
        {0x60030002, 2, 1,
         [](CodeTransObject& self, Args args, VARIANT* result) {
             const ByteArray bTemp = args.BytesAt(0);
             const bool bigEndian = args.BoolAt(1, false);
             SetText(result, self.codec_.UnicodeDecode(bTemp, bigEndian));
         }},
        {0x60030003, 2, 1,
         [](CodeTransObject& self, Args args, VARIANT* result) {
             const Text bTemp = args.TextAt(0);
             const bool bigEndian = args.BoolAt(1, false);
             SetBytes(result, self.codec_.UnicodeEncode(bTemp, bigEndian));
         }},
        {0x60030004, 1, 1,
         [](CodeTransObject& self, Args args, VARIANT* result) {
             SetBytes(result, self.codec_.EncodeToBytes(args.TextAt(0)));
         }},
        {0x60030005, 1, 1,
         [](CodeTransObject& self, Args args, VARIANT* result) {
             SetBytes(result, self.codec_.DecodeToBytes(args.TextAt(0)));
         }},
    };
    return members;
}

HRESULT CodeTransObject::Unicode8Decode(SAFEARRAY** bTemp, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(codec_.Unicode8Decode(BytesFrom(Need(bTemp))));
    });
}

HRESULT CodeTransObject::Unicode8Encode(BSTR* bTemp, SAFEARRAY** result) {
    return Run([&] {
        SAFEARRAY*& out = Out(result);
        out = NewSafeArray(codec_.Unicode8Encode(TextOf(Need(bTemp))));
    });
}

HRESULT CodeTransObject::UnicodeDecode(SAFEARRAY** bTemp, VARIANT_BOOL BigEndian, BSTR* result) {
    return Run([&] {
        BSTR& out = Out(result);
        out = NewBstr(codec_.UnicodeDecode(BytesFrom(Need(bTemp)), BigEndian != VARIANT_FALSE));
    });
}

HRESULT CodeTransObject::UnicodeEncode(BSTR* bTemp, VARIANT_BOOL BigEndian, SAFEARRAY** result) {
    return Run([&] {
        SAFEARRAY*& out = Out(result);
        out = NewSafeArray(codec_.UnicodeEncode(TextOf(Need(bTemp)), BigEndian != VARIANT_FALSE));
    });
}

HRESULT CodeTransObject::EncodeToBytes(BSTR sData, SAFEARRAY** result) {
    return Run([&] {
        SAFEARRAY*& out = Out(result);
        out = NewSafeArray(codec_.EncodeToBytes(TextOf(sData)));
    });
}

HRESULT CodeTransObject::DecodeToBytes(BSTR sData, SAFEARRAY** result) {
    return Run([&] {
        SAFEARRAY*& out = Out(result);
        out = NewSafeArray(codec_.DecodeToBytes(TextOf(sData)));
    });
}

}  // namespace labelsupport
