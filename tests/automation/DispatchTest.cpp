// The objects as automation clients call them, created by class name in the test prefix: calls
// by name through IDispatch with the arguments script engines pass (variable references, left-out
// optional arguments, arrays of numbers), the errors they get back, and calls through the dual
// interfaces' own tables, in the caller's apartment and from another one.
#include <oaidl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "labelsupport.h"
#include "tests/automation/AutomationTestSupport.h"
#include "win/Bstr.h"
#include "win/ComApartment.h"
#include "win/SafeArray.h"

using namespace automation_tests;

namespace {

constexpr HRESULT kInvalidCall = RuntimeErrorCode(5);
constexpr HRESULT kOverflow = RuntimeErrorCode(6);
constexpr HRESULT kSubscript = RuntimeErrorCode(9);
constexpr HRESULT kTypeMismatch = RuntimeErrorCode(13);

class LabelSupportDispatch : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_.ok());
        RegisterThisBuild();
        radix_ = Create(L"LabelSupport.Radix");
        codec_ = Create(L"LabelSupport.CodeTrans");
        ASSERT_TRUE(radix_) << "LabelSupport.Radix is registered";
        ASSERT_TRUE(codec_) << "LabelSupport.CodeTrans is registered";
    }

    win::ComApartment com_;
    win::ComPtr<IDispatch> radix_;
    win::ComPtr<IDispatch> codec_;
};

std::optional<std::wstring> TextResult(const Outcome& outcome) {
    if (outcome.hr != S_OK) return std::nullopt;
    return TextOf(*outcome.result.get());
}

std::optional<Bytes> BytesResult(const Outcome& outcome) {
    if (outcome.hr != S_OK) return std::nullopt;
    return BytesOf(*outcome.result.get());
}

}  // namespace

TEST_F(LabelSupportDispatch, TheInOutIntegerComesBackThroughAScriptVariableOrATypedReference) {
    // A script's variable holding an Integer: the working value ends at 0 and stays an Integer.
    win::Variant variable(static_cast<std::int16_t>(10));
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"D2B", {RefTo(*variable.get())})), L"1010");
    EXPECT_EQ(variable.type(), VT_I2);
    EXPECT_EQ(V_I2(variable.get()), 0);

    // A typed reference, as early-bound Visual Basic passes a Long.
    LONG dec = 255;
    VARIANT typed;
    V_VT(&typed) = VT_BYREF | VT_I4;
    V_I4REF(&typed) = &dec;
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"D2H", {typed})), L"FF");
    EXPECT_EQ(dec, 0);

    // Zero and negative values are left as they are; so is a value passed by value.
    win::Variant negative(static_cast<std::int32_t>(-5));
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"D2O", {RefTo(*negative.get())})), L"");
    EXPECT_EQ(V_I4(negative.get()), -5);
    win::Variant byValue(static_cast<std::int32_t>(511));
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"D2O", {*byValue.get()})), L"777");
    EXPECT_EQ(V_I4(byValue.get()), 511);

    // A variable that holds the number as text keeps being text.
    win::Variant text(L"12");
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"D2B", {RefTo(*text.get())})), L"1100");
    EXPECT_EQ(TextOf(*text.get()), L"0");

    // Read-only references are read and left alone.
    win::Variant binary(L"1010");
    Outcome b2d = Invoke(radix_.get(), L"B2D", {RefTo(*binary.get())});
    ASSERT_EQ(b2d.hr, S_OK);
    EXPECT_EQ(b2d.result.type(), VT_I4);
    EXPECT_EQ(V_I4(b2d.result.get()), 10);
    EXPECT_EQ(TextOf(*binary.get()), L"1010");
}

TEST_F(LabelSupportDispatch, OptionalArgumentsMayBeLeftOutPassedOrNamed) {
    win::Variant abc(L"41 42 43");
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"V2H", {Text(abc)})), L"ABC");
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"V2H", {Text(abc), Missing()})), L"ABC");
    win::Variant yes(true);
    EXPECT_EQ(BytesResult(Invoke(radix_.get(), L"V2H", {Text(abc), RefTo(*yes.get())})),
              (Bytes{0, {0x41, 0x42, 0x43}}));
    EXPECT_EQ(BytesResult(InvokeNamed(radix_.get(), L"v2h", {Text(abc)}, {{L"bUnicode", *yes.get()}})),
              (Bytes{0, {0x41, 0x42, 0x43}}))
        << "names are matched without regard to case; named arguments by their parameter names";
    win::Variant gbk(L"B0 A1");
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"V2H", {Text(gbk)})), L"啊");

    win::Variant ab(L"ab");
    EXPECT_EQ(BytesResult(Invoke(codec_.get(), L"UnicodeEncode", {Text(ab)})), (Bytes{0, {0x61, 0x00, 0x62, 0x00}}));
    win::Variant one(static_cast<std::int16_t>(1));
    EXPECT_EQ(BytesResult(Invoke(codec_.get(), L"UnicodeEncode", {Text(ab), *one.get()})),
              (Bytes{0, {0x00, 0x61, 0x00, 0x62}}))
        << "any non-zero number is true";
    win::Variant reversed = ByteArray({0, {0x62, 0x53}});
    EXPECT_EQ(TextResult(Invoke(codec_.get(), L"UnicodeDecode", {*reversed.get(), *yes.get()})), L"打");
    EXPECT_EQ(TextResult(Invoke(codec_.get(), L"UnicodeDecode", {*reversed.get(), Missing()})), L"\u5362")
        << "little-endian when BigEndian is left out";
}

TEST_F(LabelSupportDispatch, RunTimeErrorsArriveAsAutomationExceptionsWithNumberSourceAndDescription) {
    win::Variant tooLong(std::wstring(L"1") + std::wstring(31, L'0'));
    EXPECT_EQ(ErrorOf(Invoke(radix_.get(), L"B2D", {Text(tooLong)})).Line(), L"6 LabelSupport.Radix: 溢出");
    win::Variant beyond(L"10000");
    EXPECT_EQ(ErrorOf(Invoke(radix_.get(), L"H2A", {Text(beyond)})).Line(),
              L"5 LabelSupport.Radix: 无效的过程调用或参数");
    win::Variant empty(L"");
    EXPECT_EQ(ErrorOf(Invoke(radix_.get(), L"V2H", {Text(empty)})).Line(), L"9 LabelSupport.Radix: 下标越界");
    win::Variant astral = ByteArray({0, {0xF0, 0x9F, 0x98, 0x80}});
    EXPECT_EQ(ErrorOf(Invoke(codec_.get(), L"Unicode8Decode", {*astral.get()})).Line(),
              L"5 LabelSupport.CodeTrans: 无效的过程调用或参数");

    // A caller that passes no EXCEPINFO gets the error's own code and the thread's error information.
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"B2D");
    ASSERT_EQ(radix_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    VARIANT arg = Text(tooLong);
    DISPPARAMS params{&arg, nullptr, 1, 0};
    win::Variant result;
    EXPECT_EQ(
        radix_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.put(), nullptr, nullptr),
        kOverflow);
    win::ComPtr<IErrorInfo> info;
    ASSERT_EQ(::GetErrorInfo(0, info.put()), S_OK);
    win::Bstr source;
    info->GetSource(source.put());
    EXPECT_EQ(win::BstrText(source.get()), L"LabelSupport.Radix");
}

TEST_F(LabelSupportDispatch, ReturnedByteArraysStartAtZeroAndGivenArraysKeepTheirBounds) {
    win::Variant text(L"A啊");
    EXPECT_EQ(BytesResult(Invoke(radix_.get(), L"A2B", {Text(text)})), (Bytes{0, {0x41, 0xB0, 0xA1}}));
    win::Variant hit(L"打");
    EXPECT_EQ(BytesResult(Invoke(codec_.get(), L"Unicode8Encode", {Text(hit)})), (Bytes{0, {0xE6, 0x89, 0x93}}));
    EXPECT_EQ(BytesResult(Invoke(codec_.get(), L"EncodeToBytes", {Text(hit)})), (Bytes{0, {0xE6, 0x89, 0x93}}));
    EXPECT_EQ(BytesResult(Invoke(codec_.get(), L"UnicodeEncode", {Text(hit)})), (Bytes{0, {0x53, 0x62}}));
    win::Variant abc(L"abc");
    EXPECT_EQ(BytesResult(Invoke(codec_.get(), L"DecodeToBytes", {Text(abc)})), (Bytes{0, {0x61, 0x00}}));
    win::Variant none(L"");
    EXPECT_EQ(BytesResult(Invoke(codec_.get(), L"EncodeToBytes", {Text(none)})), (Bytes{0, {}}))
        << "an empty result is an array without elements, bounds 0 to -1";
    EXPECT_EQ(BytesResult(Invoke(radix_.get(), L"A2B", {Text(none)})), (Bytes{0, {}}));

    // Unicode8Decode reads from index 0 whatever the lower bound: an array starting at 1 misses it.
    win::Variant fromOne = ByteArray({1, {0x61, 0x62}});
    EXPECT_EQ(ErrorOf(Invoke(codec_.get(), L"Unicode8Decode", {*fromOne.get()})).Line(),
              L"9 LabelSupport.CodeTrans: 下标越界");
    // UnicodeDecode walks from the lower bound, whatever it is.
    win::Variant fromFive = ByteArray({5, {0x53, 0x62}});
    EXPECT_EQ(TextResult(Invoke(codec_.get(), L"UnicodeDecode", {RefTo(*fromFive.get())})), L"打");
    win::Variant fromMinusThree = ByteArray({-3, {0xB0, 0xA1, 0x41}});
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"B2S", {*fromMinusThree.get()})), L"啊A");
    EXPECT_EQ(BytesOf(*fromFive.get()), (Bytes{5, {0x53, 0x62}})) << "the caller's array is not touched";
}

TEST_F(LabelSupportDispatch, AScriptsArrayOfNumbersIsTakenAsBytesAsCByteWouldTakeThem) {
    win::Variant numbers = VariantArray({});
    numbers = VariantArray([] {
        std::vector<win::Variant> v;
        v.emplace_back(static_cast<std::int16_t>(0xB0));
        v.emplace_back(161.0);
        v.emplace_back(static_cast<std::int32_t>(0x41));
        v.emplace_back(65.5);  // rounds half to even: 66
        return v;
    }());
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"B2A", {RefTo(*numbers.get())})), L"啊AB");
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"B2S", {*numbers.get()})), L"啊AB");

    auto oneElement = [](win::Variant element) {
        std::vector<win::Variant> v;
        v.push_back(std::move(element));
        return VariantArray(std::move(v));
    };
    win::Variant empty = oneElement(win::Variant());
    win::Variant zero = ByteArray({0, {0x00}});
    EXPECT_EQ(TextResult(Invoke(radix_.get(), L"B2A", {*empty.get()})),
              TextResult(Invoke(radix_.get(), L"B2A", {*zero.get()})))
        << "an Empty element counts as 0";
    win::Variant tooBig = oneElement(win::Variant(static_cast<std::int32_t>(256)));
    EXPECT_EQ(ErrorOf(Invoke(radix_.get(), L"B2A", {*tooBig.get()})).Line(), L"6 LabelSupport.Radix: 溢出");
    win::Variant negative = oneElement(win::Variant(static_cast<std::int16_t>(-1)));
    EXPECT_EQ(Invoke(codec_.get(), L"Unicode8Decode", {*negative.get()}).exception.scode, kOverflow);
    win::Variant text = oneElement(win::Variant(L"65"));
    EXPECT_EQ(ErrorOf(Invoke(codec_.get(), L"UnicodeDecode", {*text.get()})).Line(),
              L"13 LabelSupport.CodeTrans: 类型不匹配")
        << "a text is no number, even one that reads as a number";
    win::Variant logical = oneElement(win::Variant(true));
    EXPECT_EQ(Invoke(radix_.get(), L"B2S", {*logical.get()}).exception.scode, kTypeMismatch);
    win::Variant nested = oneElement(ByteArray({0, {1}}));
    EXPECT_EQ(Invoke(radix_.get(), L"B2S", {*nested.get()}).exception.scode, kTypeMismatch);
}

TEST_F(LabelSupportDispatch, WhateverTheCallerPassesOnlyAnErrorComesBack) {
    win::Variant nothing(static_cast<IDispatch*>(nullptr));
    EXPECT_EQ(Invoke(radix_.get(), L"D2B", {*nothing.get()}).exception.scode, kTypeMismatch) << "Nothing";
    EXPECT_EQ(Invoke(radix_.get(), L"H2B", {*nothing.get()}).exception.scode, kTypeMismatch);
    VARIANT null;
    V_VT(&null) = VT_NULL;
    EXPECT_EQ(Invoke(radix_.get(), L"A2H", {null}).exception.scode, kTypeMismatch);
    win::Variant huge(3e9);
    EXPECT_EQ(Invoke(radix_.get(), L"S2H", {*huge.get()}).exception.scode, kOverflow) << "no 32-bit integer";
    win::Variant word(L"abc");
    EXPECT_EQ(Invoke(radix_.get(), L"IntToFHex", {*word.get()}).exception.scode, kTypeMismatch);
    EXPECT_EQ(Invoke(codec_.get(), L"Unicode8Decode", {*word.get()}).exception.scode, kTypeMismatch)
        << "text for bytes";
    EXPECT_EQ(Invoke(codec_.get(), L"UnicodeDecode", {*nothing.get()}).exception.scode, kTypeMismatch);

    // Arrays that are no byte sequence.
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    win::Variant square;
    V_VT(square.put()) = VT_ARRAY | VT_UI1;
    V_ARRAY(square.get()) = ::SafeArrayCreate(VT_UI1, 2, bounds);
    EXPECT_EQ(Invoke(codec_.get(), L"Unicode8Decode", {*square.get()}).exception.scode, kTypeMismatch);
    VARIANT unallocated;
    V_VT(&unallocated) = VT_ARRAY | VT_UI1;
    V_ARRAY(&unallocated) = nullptr;
    EXPECT_EQ(Invoke(codec_.get(), L"Unicode8Decode", {unallocated}).exception.scode, kSubscript)
        << "an array never dimensioned has no bounds";

    // Broken references.
    VARIANT dangling;
    V_VT(&dangling) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&dangling) = nullptr;
    EXPECT_EQ(Invoke(radix_.get(), L"D2B", {dangling}).exception.scode, kTypeMismatch);
    VARIANT nullLong;
    V_VT(&nullLong) = VT_BYREF | VT_I4;
    V_I4REF(&nullLong) = nullptr;
    EXPECT_EQ(Invoke(radix_.get(), L"D2B", {nullLong}).exception.scode, kTypeMismatch);

    // Calls the objects do not have.
    win::Variant one(static_cast<std::int32_t>(1));
    EXPECT_EQ(Invoke(radix_.get(), L"D2X", {*one.get()}).hr, DISP_E_UNKNOWNNAME);
    EXPECT_EQ(Invoke(radix_.get(), L"D2B", {*one.get()}, DISPATCH_PROPERTYPUT).hr, DISP_E_MEMBERNOTFOUND);
    win::Variant hex(L"41");
    EXPECT_EQ(InvokeNamed(radix_.get(), L"V2H", {*hex.get()}, {{L"bUnicode", *one.get()}}).hr, S_OK);
    EXPECT_EQ(InvokeNamed(radix_.get(), L"V2H", {*hex.get()}, {{L"bLittle", *one.get()}}).hr, DISP_E_UNKNOWNNAME);
    EXPECT_EQ(InvokeNamed(radix_.get(), L"V2H", {}, {{L"bUnicode", *one.get()}}).hr, DISP_E_BADPARAMCOUNT)
        << "the required sHex not given";
    win::Variant result;
    EXPECT_EQ(radix_->Invoke(0x60030001, IID_NULL, 0, DISPATCH_METHOD, nullptr, result.put(), nullptr, nullptr),
              DISP_E_BADPARAMCOUNT)
        << "no DISPPARAMS at all";
    EXPECT_EQ(radix_->Invoke(0x60030100, IID_NULL, 0, DISPATCH_METHOD, nullptr, result.put(), nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    DISPPARAMS broken{nullptr, nullptr, 1, 0};
    EXPECT_EQ(radix_->Invoke(0x60030001, IID_NULL, 0, DISPATCH_METHOD, &broken, result.put(), nullptr, nullptr),
              E_INVALIDARG);
}

TEST_F(LabelSupportDispatch, TheDualInterfacesOwnTablesTakeTypedArgumentsAndReportThroughErrorInfo) {
    auto radix = radix_.As<IRadix>();
    ASSERT_TRUE(radix);
    LONG dec = 10;
    win::Bstr digits;
    ASSERT_EQ(radix->D2B(&dec, digits.put()), S_OK);
    EXPECT_EQ(win::BstrText(digits.get()), L"1010");
    EXPECT_EQ(dec, 0);

    win::Bstr tooLong = win::MakeBstr(std::wstring(L"1") + std::wstring(31, L'0'));
    BSTR text = tooLong.get();
    LONG value = 1234;
    EXPECT_EQ(radix->B2D(&text, &value), kOverflow);
    EXPECT_EQ(value, 0) << "the result slot is emptied";
    auto support = radix_.As<ISupportErrorInfo>();
    ASSERT_TRUE(support);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(kRadixIid), S_OK);
    win::ComPtr<IErrorInfo> info;
    ASSERT_EQ(::GetErrorInfo(0, info.put()), S_OK);
    win::Bstr source, description;
    info->GetSource(source.put());
    info->GetDescription(description.put());
    EXPECT_EQ(win::BstrText(source.get()), L"LabelSupport.Radix");
    EXPECT_EQ(win::BstrText(description.get()), L"溢出");

    EXPECT_EQ(radix->D2B(nullptr, digits.put()), E_POINTER);
    EXPECT_EQ(radix->B2D(&text, nullptr), E_POINTER);
    win::Bstr hex = win::MakeBstr(L"41 42");
    win::Variant bytes;
    ASSERT_EQ(radix->V2H(hex.get(), nullptr, bytes.put()), S_OK) << "a C++ caller leaves the option out with null";
    EXPECT_EQ(TextOf(*bytes.get()), L"AB");

    auto codec = codec_.As<ICodeTrans>();
    ASSERT_TRUE(codec);
    win::Bstr hit = win::MakeBstr(L"打");
    BSTR hitText = hit.get();
    SAFEARRAY* encoded = nullptr;
    ASSERT_EQ(codec->UnicodeEncode(&hitText, VARIANT_TRUE, &encoded), S_OK);
    win::SafeArray owned(encoded);
    EXPECT_EQ(BytesOf(encoded), (Bytes{0, {0x62, 0x53}}));
    win::Bstr decoded;
    ASSERT_EQ(codec->UnicodeDecode(&encoded, VARIANT_TRUE, decoded.put()), S_OK);
    EXPECT_EQ(win::BstrText(decoded.get()), L"打");
    SAFEARRAY* none = nullptr;
    EXPECT_EQ(codec->Unicode8Decode(&none, decoded.put()), kSubscript);
}

// A caller in the multithreaded apartment gets the objects from an apartment thread through the
// registered type library: the in-out value crosses with the call, and so does a run-time error,
// as the HRESULT of the interface table and as the EXCEPINFO of IDispatch. (Wine does not carry
// the thread's IErrorInfo across apartments, so its source is read from the EXCEPINFO here.)
TEST(LabelSupportCrossApartment, CallsFromAnotherApartmentGoThroughTheRegisteredInterfaces) {
    {
        win::ComApartment com;
        RegisterThisBuild();
    }
    std::wstring digits;
    LONG dec = 12;
    HRESULT created = E_FAIL, called = E_FAIL, failed = S_OK, invoked = S_OK;
    SCODE scode = S_OK;
    std::wstring source;
    std::thread caller([&] {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            CLSID clsid;
            win::ComPtr<IRadix> radix;
            ::CLSIDFromProgID(L"LabelSupport.Radix", &clsid);
            created = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IRadix), radix.put_void());
            if (radix) {
                win::Bstr text;
                called = radix->D2B(&dec, text.put());
                digits = win::BstrText(text.get());
                win::Bstr overflow = win::MakeBstr(L"80000000");
                LONG value = 0;
                failed = radix->H2D(overflow.get(), &value);
                win::Variant argument(L"80000000");
                Outcome outcome = Invoke(radix.get(), L"H2D", {*argument.get()});
                invoked = outcome.hr;
                scode = outcome.exception.scode;
                source = outcome.Source();
            }
        }
        ::CoUninitialize();
    });
    caller.join();
    ASSERT_EQ(created, S_OK);
    EXPECT_EQ(called, S_OK);
    EXPECT_EQ(digits, L"1100");
    EXPECT_EQ(dec, 0) << "the in-out value came back across the apartments";
    EXPECT_EQ(failed, kOverflow);
    EXPECT_EQ(invoked, DISP_E_EXCEPTION);
    EXPECT_EQ(scode, kOverflow);
    EXPECT_EQ(source, L"LabelSupport.Radix");
}

namespace {

// A message-only window that counts the WM_APP messages it is sent.
struct CountingWindow {
    static inline int received = 0;
    HWND hwnd = nullptr;
    CountingWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = [](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
            if (msg == WM_APP) ++received;
            return ::DefWindowProcW(h, msg, w, l);
        };
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LabelSupportWaitTest";
        ::RegisterClassW(&wc);
        hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~CountingWindow() { ::DestroyWindow(hwnd); }
};

}  // namespace

TEST(LabelSupportWait, AWaitCalledByNameOrThroughItsTableRunsTheCallersMessages) {
    win::ComApartment com;
    RegisterThisBuild();
    auto wait = Create(L"LabelSupport.Wait");
    ASSERT_TRUE(wait);
    CountingWindow window;
    ASSERT_NE(window.hwnd, nullptr);

    ::PostMessageW(window.hwnd, WM_APP, 0, 0);
    win::Variant milliseconds(static_cast<std::int16_t>(20));
    Outcome byName = Invoke(wait.get(), L"Wait", {RefTo(*milliseconds.get())});
    EXPECT_EQ(byName.hr, S_OK);
    EXPECT_EQ(byName.result.type(), VT_EMPTY) << "Wait returns nothing";
    EXPECT_EQ(CountingWindow::received, 1) << "the posted message ran during the wait";
    EXPECT_EQ(V_I2(milliseconds.get()), 20) << "the argument is only read";

    auto table = wait.As<IWait>();
    ASSERT_TRUE(table);
    ::PostMessageW(window.hwnd, WM_APP, 0, 0);
    LONG none = 0;
    EXPECT_EQ(table->Wait(&none), S_OK);
    EXPECT_EQ(CountingWindow::received, 2);
    EXPECT_EQ(table->Wait(nullptr), E_POINTER);

    win::Variant word(L"soon");
    Outcome wrong = Invoke(wait.get(), L"Wait", {*word.get()});
    EXPECT_EQ(wrong.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(wrong.exception.scode, kTypeMismatch);
    EXPECT_EQ(wrong.Source(), L"LabelSupport.Wait");
}
