#include "lib/automation/Registration.h"

#include <string>

#include "labelsupport.h"
#include "lib/automation/Server.h"
#include "lib/automation/TypeLibrary.h"
#include "win/ComPtr.h"
#include "win/UniqueResource.h"

namespace labelsupport {

namespace {

struct ClassEntry {
    const CLSID* clsid;
    const wchar_t* progId;
    const wchar_t* title;
};

const ClassEntry kClasses[] = {
    {&CLSID_Radix, L"LabelSupport.Radix", L"LabelSupport.Radix (进制转换)"},
    {&CLSID_CodeTrans, L"LabelSupport.CodeTrans", L"LabelSupport.CodeTrans"},
    {&CLSID_Wait, L"LabelSupport.Wait", L"LabelSupport.Wait (clsWait)"},
};

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

// Sets one string value (the default value when `name` is null) of HKEY_CLASSES_ROOT\`path`,
// creating the key.
LSTATUS SetValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    win::UniqueRegKey key;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Deletes HKEY_CLASSES_ROOT\`path` with everything below it; a key that is not there is no failure.
LSTATUS DeleteTree(const std::wstring& path) {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

HRESULT RegisterOneClass(const ClassEntry& entry, const std::wstring& serverPath, const std::wstring& libraryId) {
    const std::wstring clsidKey = L"CLSID\\" + GuidText(*entry.clsid);
    const std::wstring progId = entry.progId;
    const std::pair<std::wstring, std::pair<const wchar_t*, std::wstring>> values[] = {
        {clsidKey, {nullptr, entry.title}},
        {clsidKey + L"\\InprocServer32", {nullptr, serverPath}},
        {clsidKey + L"\\InprocServer32", {L"ThreadingModel", L"Apartment"}},
        {clsidKey + L"\\ProgID", {nullptr, progId}},
        {clsidKey + L"\\TypeLib", {nullptr, libraryId}},
        {clsidKey + L"\\Version", {nullptr, L"1.0"}},
        {progId, {nullptr, entry.title}},
        {progId + L"\\CLSID", {nullptr, GuidText(*entry.clsid)}},
    };
    for (const auto& [path, value] : values) {
        const LSTATUS status = SetValue(path, value.first, value.second);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
    return S_OK;
}

}  // namespace

HRESULT RegisterServer() noexcept {
    try {
        const std::wstring path = ServerPath();
        if (path.empty()) return E_UNEXPECTED;
        const std::wstring libraryId = GuidText(LIBID_LabelSupport);
        for (const ClassEntry& entry : kClasses) {
            const HRESULT hr = RegisterOneClass(entry, path, libraryId);
            if (FAILED(hr)) return hr;
        }
        // Registers the library and its interfaces with the automation marshaler.
        win::ComPtr<ITypeLib> library;
        return ::LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, library.put());
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT UnregisterServer() noexcept {
    try {
        HRESULT result = S_OK;
        win::ComPtr<ITypeLib> library;
        TLIBATTR* attributes = nullptr;
        if (SUCCEEDED(LoadServerTypeLib(library.put())) && SUCCEEDED(library->GetLibAttr(&attributes))) {
            const TLIBATTR a = *attributes;
            library->ReleaseTLibAttr(attributes);
            const HRESULT hr = ::UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
            // Removing what is not registered is no failure.
            BSTR registered = nullptr;
            if (FAILED(hr) &&
                SUCCEEDED(::QueryPathOfRegTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, &registered))) {
                ::SysFreeString(registered);
                result = hr;
            }
        }
        for (const ClassEntry& entry : kClasses) {
            for (const std::wstring& path : {L"CLSID\\" + GuidText(*entry.clsid), std::wstring(entry.progId)}) {
                const LSTATUS status = DeleteTree(path);
                if (status != ERROR_SUCCESS && SUCCEEDED(result)) result = HRESULT_FROM_WIN32(status);
            }
        }
        return result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace labelsupport
