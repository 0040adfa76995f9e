// labelsupport.dll as a COM server: what regsvr32 writes and removes, creation by class name, and
// the count that lets the DLL unload once nothing of it is in use.
#include <objbase.h>
#include <oaidl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/automation/AutomationTestSupport.h"
#include "tests/support/Registry.h"
#include "tests/support/TestFiles.h"
#include "win/ComApartment.h"
#include "win/UniqueResource.h"

using namespace automation_tests;
using testing_support::RegistryKeyExists;
using testing_support::RegistryText;

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

bool SamePath(const std::wstring& a, const std::wstring& b) {
    wchar_t fullA[MAX_PATH], fullB[MAX_PATH];
    ::GetFullPathNameW(a.c_str(), MAX_PATH, fullA, nullptr);
    ::GetFullPathNameW(b.c_str(), MAX_PATH, fullB, nullptr);
    return ::lstrcmpiW(fullA, fullB) == 0;
}

// The CLSID the type library gives a coclass.
std::optional<GUID> CoclassId(const wchar_t* name) {
    win::ComPtr<ITypeInfo> info = CoclassOf(LoadLibraryOfDll().get(), name);
    TYPEATTR* attr = nullptr;
    if (!info || FAILED(info->GetTypeAttr(&attr))) return std::nullopt;
    const GUID clsid = attr->guid;
    info->ReleaseTypeAttr(attr);
    return clsid;
}

constexpr wchar_t kAutomationMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";

// The x86 build of the DLL (the mingw-x86 preset), as a Windows path; empty when it was not built.
std::wstring X86ServerDllPath() {
#ifdef LABELSUPPORT_X86_DLL
    std::wstring path = testing_support::FromUtf8(LABELSUPPORT_X86_DLL);
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
#else
    return {};
#endif
}

// Runs regsvr32 as a user would, the 64-bit one or the 32-bit one from SysWOW64; its exit code.
DWORD Regsvr32(bool x86, const std::wstring& arguments, const std::wstring& dll) {
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring exe = std::wstring(windows) + (x86 ? L"\\SysWOW64\\regsvr32.exe" : L"\\System32\\regsvr32.exe");
    std::wstring commandLine = L"\"" + exe + L"\" /s " + arguments + L" \"" + dll + L"\"";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return ~0u;
    win::UniqueHandle thread(process.hThread), running(process.hProcess);
    if (::WaitForSingleObject(running.get(), 60000) != WAIT_OBJECT_0) return ~0u;
    DWORD code = ~0u;
    ::GetExitCodeProcess(running.get(), &code);
    return code;
}

}  // namespace

// regsvr32 with /n /i:user, as the installer runs it, and for the whole machine, each for both bitnesses
// side by side. (Wine's COM reads only the machine's classes: creating the classes through the user's
// registration is tested on the installed program, in tests/install.)
TEST(LabelSupportServer, BothBitnessesRegisterSideBySideForTheUserOrTheMachineAndComeOffAgain) {
    const std::wstring x86Dll = X86ServerDllPath();
    if (x86Dll.empty()) GTEST_SKIP() << "no x86 build (mingw-x86 preset)";
    if (!testing_support::MachineRuns32BitPrograms()) GTEST_SKIP() << "this machine runs no 32-bit programs";
    // The prefix stays as tools/prepare-prefix.sh left it for the other tests whatever happens here.
    struct Restore {
        std::wstring x86Dll;
        ~Restore() {
            for (bool x86 : {false, true}) {
                Regsvr32(x86, L"/u /n /i:user", x86 ? x86Dll : ServerDllPath());
                Regsvr32(x86, L"", x86 ? x86Dll : ServerDllPath());
            }
        }
    } restore{x86Dll};
    const std::wstring radixId = GuidText(*CoclassId(L"Radix"));
    const std::wstring radix = L"Software\\Classes\\CLSID\\" + radixId;
    // This test is a 64-bit program: the keys are read as stored, the 32-bit ones under their Wow6432Node.
    const std::wstring radix32 = L"Software\\Classes\\Wow6432Node\\CLSID\\" + radixId;
    const std::wstring library = L"Software\\Classes\\TypeLib\\" + GuidText(kLibraryId);
    const std::wstring platforms = library + L"\\1.0\\0";
    const std::wstring progId = L"Software\\Classes\\LabelSupport.Radix";
    const std::wstring radixInterface = L"Software\\Classes\\Interface\\" + GuidText(kRadixIid);
    const std::wstring radixInterface32 = L"Software\\Classes\\Wow6432Node\\Interface\\" + GuidText(kRadixIid);

    for (const bool user : {true, false}) {
        SCOPED_TRACE(user ? "the user" : "the machine");
        const HKEY root = user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        const std::wstring on = user ? L"/n /i:user" : L"", off = L"/u " + on;
        const auto machineServer = RegistryText(HKEY_LOCAL_MACHINE, radix + L"\\InprocServer32");
        ASSERT_EQ(Regsvr32(false, on, ServerDllPath()), 0u);
        ASSERT_EQ(Regsvr32(true, on, x86Dll), 0u);
        EXPECT_TRUE(SamePath(RegistryText(root, radix + L"\\InprocServer32").value_or(L""), ServerDllPath()));
        EXPECT_TRUE(SamePath(RegistryText(root, radix32 + L"\\InprocServer32").value_or(L""), x86Dll));
        EXPECT_EQ(RegistryText(root, radix + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(RegistryText(root, radix32 + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(RegistryText(root, progId + L"\\CLSID"), radixId);
        EXPECT_TRUE(SamePath(RegistryText(root, platforms + L"\\win64").value_or(L""), ServerDllPath()));
        EXPECT_TRUE(SamePath(RegistryText(root, platforms + L"\\win32").value_or(L""), x86Dll));
        EXPECT_EQ(RegistryText(root, radixInterface + L"\\ProxyStubClsid32"), kAutomationMarshaler);
        EXPECT_EQ(RegistryText(root, radixInterface32 + L"\\ProxyStubClsid32"), kAutomationMarshaler);
        for (const wchar_t* coclass : {L"Radix", L"CodeTrans", L"Wait"}) {
            const std::wstring name = std::wstring(L"LabelSupport.") + coclass;
            const std::wstring key = L"Software\\Classes\\CLSID\\" + GuidText(CoclassId(coclass).value());
            EXPECT_EQ(RegistryText(root, L"Software\\Classes\\" + name + L"\\CLSID"), GuidText(CoclassId(coclass).value()))
                << "the class name leads to the type library's coclass";
            EXPECT_EQ(RegistryText(root, key + L"\\ProgID"), name);
            EXPECT_EQ(RegistryText(root, key + L"\\TypeLib"), GuidText(kLibraryId));
        }
        if (user) {
            EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, radix + L"\\InprocServer32"), machineServer)
                << "the machine's is untouched";
        }

        ASSERT_EQ(Regsvr32(false, off, ServerDllPath()), 0u);
        EXPECT_FALSE(RegistryKeyExists(root, radix));
        EXPECT_FALSE(RegistryKeyExists(root, radixInterface));
        EXPECT_FALSE(RegistryKeyExists(root, platforms + L"\\win64"));
        EXPECT_TRUE(RegistryKeyExists(root, radix32)) << "the x86 registration is left alone";
        EXPECT_TRUE(RegistryKeyExists(root, platforms + L"\\win32"));
        EXPECT_EQ(RegistryText(root, progId + L"\\CLSID"), radixId) << "32-bit callers still find the class by its name";

        ASSERT_EQ(Regsvr32(true, off, x86Dll), 0u);
        for (const std::wstring& key : {radix32, radixInterface32, progId, library}) {
            EXPECT_FALSE(RegistryKeyExists(root, key)) << testing::PrintToString(key);
        }
        EXPECT_EQ(Regsvr32(true, off, x86Dll), 0u) << "removing what is gone is no failure";
    }
}

TEST(LabelSupportServer, DllInstallKnowsOnlyTheUserScope) {
    win::UniqueModule dll(::LoadLibraryW(ServerDllPath().c_str()));
    ASSERT_TRUE(dll);
    auto install = Export<HRESULT(STDAPICALLTYPE*)(BOOL, PCWSTR)>(dll.get(), "DllInstall");
    ASSERT_TRUE(install);
    EXPECT_EQ(install(TRUE, L"everyone"), E_INVALIDARG);
    EXPECT_EQ(install(FALSE, L"users"), E_INVALIDARG);
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\LabelSupport.Radix"));
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
