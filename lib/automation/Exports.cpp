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

STDAPI DllRegisterServer() { return labelsupport::RegisterServer(); }

STDAPI DllUnregisterServer() { return labelsupport::UnregisterServer(); }
