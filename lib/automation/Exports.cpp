// The entry points of labelsupport.dll (exported through labelsupport.def).
#include <objbase.h>
#include <olectl.h>
#include <windows.h>

#include "labelsupport.h"
#include "lib/automation/ClassFactory.h"
#include "lib/automation/CodeTransObject.h"
#include "lib/automation/RadixObject.h"
#include "lib/automation/Registration.h"
#include "lib/automation/Server.h"
#include "lib/automation/WaitObject.h"

namespace {
labelsupport::ClassFactory<labelsupport::RadixObject> g_radixFactory;
labelsupport::ClassFactory<labelsupport::CodeTransObject> g_codeTransFactory;
labelsupport::ClassFactory<labelsupport::WaitObject> g_waitFactory;
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) labelsupport::SetServerModule(instance);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    IClassFactory* factory = nullptr;
    if (clsid == CLSID_Radix)
        factory = &g_radixFactory;
    else if (clsid == CLSID_CodeTrans)
        factory = &g_codeTransFactory;
    else if (clsid == CLSID_Wait)
        factory = &g_waitFactory;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(riid, out);
}

STDAPI DllCanUnloadNow() { return labelsupport::ServerInUse() ? S_FALSE : S_OK; }

// Plain regsvr32 (and regsvr32 /u): the registration for the whole machine.
STDAPI DllRegisterServer() { return labelsupport::RegisterServer(labelsupport::RegistrationScope::Machine); }

STDAPI DllUnregisterServer() { return labelsupport::UnregisterServer(labelsupport::RegistrationScope::Machine); }

// regsvr32 /n /i:user (and regsvr32 /u /n /i:user): the registration for the current user only.
STDAPI DllInstall(BOOL install, PCWSTR commandLine) {
    const auto scope = labelsupport::ScopeOfInstallCommand(commandLine);
    if (!scope) return E_INVALIDARG;
    return install ? labelsupport::RegisterServer(*scope) : labelsupport::UnregisterServer(*scope);
}
