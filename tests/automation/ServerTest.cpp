// labelsupport.dll as a COM server: what regsvr32 writes and removes, creation by class name, and
// the count that lets the DLL unload once nothing of it is in use.
#include <objbase.h>
#include <oaidl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/automation/AutomationTestSupport.h"
#include "win/ComApartment.h"
#include "win/UniqueResource.h"

using namespace automation_tests;

namespace {

constexpr GUID kLibraryId = {0x74F5D210, 0xD8D6, 0x4A44, {0xB4, 0x5F, 0x20, 0x8C, 0x39, 0xB9, 0xC6, 0xF4}};

template <typename F>
F Export(HMODULE dll, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
}

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

std::optional<std::wstring> ClassesValue(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t value[1024];
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    wchar_t fullA[MAX_PATH], fullB[MAX_PATH];
    ::GetFullPathNameW(a.c_str(), MAX_PATH, fullA, nullptr);
    ::GetFullPathNameW(b.c_str(), MAX_PATH, fullB, nullptr);
    return ::lstrcmpiW(fullA, fullB) == 0;
}

// The CLSID the type library gives a coclass.
std::optional<GUID> CoclassId(const wchar_t* name) {
    win::ComPtr<ITypeLib> library;
    if (FAILED(::LoadTypeLibEx(ServerDllPath().c_str(), REGKIND_NONE, library.put()))) return std::nullopt;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        TYPEKIND kind;
        BSTR found = nullptr;
        if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
        library->GetDocumentation(static_cast<INT>(i), &found, nullptr, nullptr, nullptr);
        const bool match = found && std::wstring(found) == name;
        ::SysFreeString(found);
        if (!match) continue;
        win::ComPtr<ITypeInfo> info;
        library->GetTypeInfo(i, info.put());
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        const GUID clsid = attr->guid;
        info->ReleaseTypeAttr(attr);
        return clsid;
    }
    return std::nullopt;
}

}  // namespace

TEST(LabelSupportServer, RegistrationNamesEachClassWithApartmentThreadingAndUnregistrationRemovesIt) {
    win::ComApartment com;
    win::UniqueModule dll(::LoadLibraryW(ServerDllPath().c_str()));
    ASSERT_TRUE(dll);
    auto registerServer = Export<HRESULT(STDAPICALLTYPE*)()>(dll.get(), "DllRegisterServer");
    auto unregisterServer = Export<HRESULT(STDAPICALLTYPE*)()>(dll.get(), "DllUnregisterServer");
    ASSERT_TRUE(registerServer && unregisterServer);
    // The prefix stays usable for the other tests whatever happens here.
    struct Reregister {
        HRESULT(STDAPICALLTYPE* call)();
        ~Reregister() { call(); }
    } reregister{registerServer};

    ASSERT_EQ(unregisterServer(), S_OK);
    EXPECT_EQ(unregisterServer(), S_OK) << "removing what is gone is no failure";
    CLSID clsid;
    EXPECT_EQ(::CLSIDFromProgID(L"LabelSupport.Radix", &clsid), CO_E_CLASSSTRING);
    win::ComPtr<ITypeLib> registered;
    EXPECT_TRUE(FAILED(::LoadRegTypeLib(kLibraryId, 1, 0, LOCALE_NEUTRAL, registered.put())));
    EXPECT_FALSE(ClassesValue(L"Interface\\" + GuidText(kRadixIid)));

    ASSERT_EQ(registerServer(), S_OK);
    for (const wchar_t* coclass : {L"Radix", L"CodeTrans", L"Wait"}) {
        const std::wstring progId = std::wstring(L"LabelSupport.") + coclass;
        SCOPED_TRACE(testing::Message() << std::string(progId.begin(), progId.end()));
        auto expected = CoclassId(coclass);
        ASSERT_TRUE(expected);
        ASSERT_EQ(::CLSIDFromProgID(progId.c_str(), &clsid), S_OK);
        EXPECT_EQ(clsid, *expected) << "the class name leads to the coclass of the type library";
        const std::wstring key = L"CLSID\\" + GuidText(clsid);
        auto server = ClassesValue(key + L"\\InprocServer32");
        ASSERT_TRUE(server);
        EXPECT_TRUE(SamePath(*server, ServerDllPath()));
        EXPECT_EQ(ClassesValue(key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(ClassesValue(key + L"\\ProgID"), progId);
        EXPECT_EQ(ClassesValue(key + L"\\TypeLib"), GuidText(kLibraryId));
    }
    EXPECT_EQ(::LoadRegTypeLib(kLibraryId, 1, 0, LOCALE_NEUTRAL, registered.put()), S_OK);
    EXPECT_TRUE(ClassesValue(L"Interface\\" + GuidText(kRadixIid) + L"\\ProxyStubClsid32"))
        << "the interfaces are marshaled by the automation library";
}

TEST(LabelSupportServer, TheDllMayUnloadOnlyWhenNoObjectFactoryOrLockIsLeft) {
    win::ComApartment com;
    win::UniqueModule dll(::LoadLibraryW(ServerDllPath().c_str()));
    ASSERT_TRUE(dll);
    auto getClassObject = Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(dll.get(), "DllGetClassObject");
    auto canUnloadNow = Export<HRESULT(STDAPICALLTYPE*)()>(dll.get(), "DllCanUnloadNow");
    ASSERT_TRUE(getClassObject && canUnloadNow);
    auto clsid = CoclassId(L"Wait");
    ASSERT_TRUE(clsid);

    EXPECT_EQ(canUnloadNow(), S_OK);
    win::ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(*clsid, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a held class factory";
    win::ComPtr<IDispatch> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, object.put_void()), S_OK);
    win::ComPtr<IUnknown> outer;
    EXPECT_EQ(factory->CreateInstance(object.get(), IID_IUnknown, outer.put_void()), CLASS_E_NOAGGREGATION);
    factory->LockServer(TRUE);
    factory = nullptr;
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a live object and a lock";
    object = nullptr;
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a lock";
    ASSERT_EQ(getClassObject(*clsid, IID_IClassFactory, factory.put_void()), S_OK);
    factory->LockServer(FALSE);
    factory = nullptr;
    EXPECT_EQ(canUnloadNow(), S_OK);

    GUID unknown = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    EXPECT_EQ(getClassObject(unknown, IID_IClassFactory, factory.put_void()), CLASS_E_CLASSNOTAVAILABLE);
}

TEST(LabelSupportServer, COMUnloadsTheDllOnceTheLastObjectIsReleased) {
    win::ComApartment com;
    RegisterThisBuild();
    auto object = Create(L"LabelSupport.Radix");
    ASSERT_TRUE(object);
    EXPECT_NE(::GetModuleHandleW(L"labelsupport.dll"), nullptr);
    ::CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_NE(::GetModuleHandleW(L"labelsupport.dll"), nullptr) << "still in use";
    object = nullptr;
    for (int pass = 0; pass < 3 && ::GetModuleHandleW(L"labelsupport.dll"); ++pass) ::CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_EQ(::GetModuleHandleW(L"labelsupport.dll"), nullptr);
}
