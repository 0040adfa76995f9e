// The objects as compiled callers reach them, created by class name in the test prefix: what no script
// can pass (typed and broken references, named arguments, missing parameter blocks), the error
// information of a caller without EXCEPINFO, the dual interfaces' own tables, and calls from another
// apartment. What scripts see is the VBScript tests' business.
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

    // The run-time error number a call by name raised, 0 for none.
    static HRESULT ErrorCode(const Outcome& outcome) {
        return outcome.hr == DISP_E_EXCEPTION ? outcome.exception.scode : outcome.hr;
    }

    // The thread's error information, as "source: description".
    static std::wstring ThreadError() {
        win::ComPtr<IErrorInfo> info;
        if (::GetErrorInfo(0, info.put()) != S_OK) return L"none";
        win::Bstr source, description;
        info->GetSource(source.put());
        info->GetDescription(description.put());
        return win::BstrText(source.get()) + L": " + win::BstrText(description.get());
    }

    win::ComApartment com_;
    win::ComPtr<IDispatch> radix_;
    win::ComPtr<IDispatch> codec_;
};

}  // namespace

TEST_F(LabelSupportDispatch, TypedReferencesAndNamedArgumentsAsCompiledCallersPassThem) {
    // A typed reference, as early-bound Visual Basic passes a Long: the working value ends at 0.
    LONG dec = 255;
    VARIANT typed;
    V_VT(&typed) = VT_BYREF | VT_I4;
    V_I4REF(&typed) = &dec;
    Outcome d2h = Invoke(radix_.get(), L"D2H", {typed});
    EXPECT_EQ(TextOf(*d2h.result.get()), L"FF");
    EXPECT_EQ(dec, 0);

    // Named arguments by their parameter names, names matched without regard to case.
    win::Variant abc(L"41 42 43"), yes(true), one(static_cast<std::int32_t>(1));
    Outcome named = InvokeNamed(radix_.get(), L"v2h", {*abc.get()}, {{L"bUnicode", *yes.get()}});
    EXPECT_EQ(BytesOf(*named.result.get()), (Bytes{0, {0x41, 0x42, 0x43}}));
    EXPECT_EQ(InvokeNamed(radix_.get(), L"V2H", {*abc.get()}, {{L"bLittle", *one.get()}}).hr, DISP_E_UNKNOWNNAME);
    EXPECT_EQ(InvokeNamed(radix_.get(), L"V2H", {}, {{L"bUnicode", *one.get()}}).hr, DISP_E_BADPARAMCOUNT)
        << "the required sHex not given";
}

TEST_F(LabelSupportDispatch, ACallerWithoutExcepInfoGetsTheErrorsCodeAndTheThreadsErrorInformation) {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"B2D");
    ASSERT_EQ(radix_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    win::Variant tooLong(std::wstring(L"1") + std::wstring(31, L'0'));
    VARIANT arg = *tooLong.get();
    DISPPARAMS params{&arg, nullptr, 1, 0};
    win::Variant result;
    EXPECT_EQ(
        radix_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.put(), nullptr, nullptr),
        kOverflow);
    EXPECT_EQ(ThreadError(), L"LabelSupport.Radix: 溢出");
}

TEST_F(LabelSupportDispatch, BrokenReferencesArraysAndParameterBlocksGiveAnErrorAndNothingElse) {
    VARIANT dangling;
    V_VT(&dangling) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&dangling) = nullptr;
    EXPECT_EQ(ErrorCode(Invoke(radix_.get(), L"D2B", {dangling})), kTypeMismatch);
    VARIANT nullLong;
    V_VT(&nullLong) = VT_BYREF | VT_I4;
    V_I4REF(&nullLong) = nullptr;
    EXPECT_EQ(ErrorCode(Invoke(radix_.get(), L"D2B", {nullLong})), kTypeMismatch);

    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    win::Variant square;
    V_VT(square.put()) = VT_ARRAY | VT_UI1;
    V_ARRAY(square.get()) = ::SafeArrayCreate(VT_UI1, 2, bounds);
    EXPECT_EQ(ErrorCode(Invoke(codec_.get(), L"Unicode8Decode", {*square.get()})), kTypeMismatch);
    VARIANT unallocated;
    V_VT(&unallocated) = VT_ARRAY | VT_UI1;
    V_ARRAY(&unallocated) = nullptr;
    EXPECT_EQ(ErrorCode(Invoke(codec_.get(), L"Unicode8Decode", {unallocated})), kSubscript)
        << "an array never dimensioned has no bounds";

    win::Variant one(static_cast<std::int32_t>(1)), result;
    EXPECT_EQ(Invoke(radix_.get(), L"D2B", {*one.get()}, DISPATCH_PROPERTYPUT).hr, DISP_E_MEMBERNOTFOUND);
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
    EXPECT_EQ(ThreadError(), L"LabelSupport.Radix: 溢出");

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
    EXPECT_EQ(Invoke(wait.get(), L"Wait", {RefTo(*milliseconds.get())}).hr, S_OK);
    EXPECT_EQ(CountingWindow::received, 1) << "the posted message ran during the wait";

    auto table = wait.As<IWait>();
    ASSERT_TRUE(table);
    ::PostMessageW(window.hwnd, WM_APP, 0, 0);
    LONG none = 0;
    EXPECT_EQ(table->Wait(&none), S_OK);
    EXPECT_EQ(CountingWindow::received, 2);
    EXPECT_EQ(table->Wait(nullptr), E_POINTER);
}
