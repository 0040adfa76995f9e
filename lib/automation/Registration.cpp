#include "lib/automation/Registration.h"

#include <cwchar>
#include <string>
#include <vector>

#include "labelsupport.h"
#include "lib/automation/Server.h"
#include "lib/automation/TypeLibrary.h"
#include "win/Bstr.h"
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

// The automation library's marshaler for dual and oleautomation interfaces (PSOAInterface).
constexpr wchar_t kAutomationMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";

// The platform key of the type library's path, as LoadRegTypeLib looks it up.
#ifdef _WIN64
constexpr wchar_t kPlatform[] = L"win64";
#else
constexpr wchar_t kPlatform[] = L"win32";
#endif

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring TextOf(const win::Bstr& text) {
    return text.get() ? std::wstring(text.get(), ::SysStringLen(text.get())) : std::wstring();
}

std::wstring Hex(unsigned long value) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"%lx", value);
    return text;
}

// True for the x86 DLL loaded by a 32-bit process on 64-bit Windows.
bool IsX86OnX64() noexcept {
#ifdef _WIN64
    return false;
#else
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
#endif
}

// One scope's classes store. On 64-bit Windows the CLSID and Interface keys exist once per bitness
// (the 32-bit ones under Wow6432Node), while ProgIDs and TypeLib are shared by both. Every access
// names a key's real place and asks for no redirection, so the x86 registration lands beside the
// x64 one also where the system does not redirect the key (Wine does not, under HKCU).
class ClassesStore {
public:
    explicit ClassesStore(RegistrationScope scope) noexcept
        : root_(scope == RegistrationScope::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE) {}

    // A key of this DLL's bitness (CLSID\..., Interface\...), and the same key of the other bitness.
    static std::wstring Own(const std::wstring& key) { return BitnessKey(key, IsX86OnX64()); }
    static std::wstring OtherBitness(const std::wstring& key) { return BitnessKey(key, !IsX86OnX64()); }
    // A key both bitnesses share (ProgIDs, TypeLib).
    static std::wstring Shared(const std::wstring& key) { return L"Software\\Classes\\" + key; }

    // Sets one string value (the default value when `name` is null), creating the key.
    LSTATUS SetValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) const {
        win::UniqueRegKey key;
        const LSTATUS status = ::RegCreateKeyExW(root_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                 KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr);
        if (status != ERROR_SUCCESS) return status;
        return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

    // Deletes the key with everything below it; a key that is not there is no failure.
    LSTATUS DeleteTree(const std::wstring& path) const {
        win::UniqueRegKey key;
        LSTATUS status = ::RegOpenKeyExW(root_, path.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.put());
        if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        status = ::RegDeleteTreeW(key.get(), nullptr);
        if (status != ERROR_SUCCESS) return status;
        key.reset();
        status = ::RegDeleteKeyExW(root_, path.c_str(), KEY_WOW64_64KEY, 0);
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }

    bool Exists(const std::wstring& path) const {
        win::UniqueRegKey key;
        return ::RegOpenKeyExW(root_, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS;
    }

    std::vector<std::wstring> Subkeys(const std::wstring& path) const {
        std::vector<std::wstring> names;
        win::UniqueRegKey key;
        if (::RegOpenKeyExW(root_, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS)
            return names;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, length);
        }
        return names;
    }

private:
    static std::wstring BitnessKey(const std::wstring& key, bool x86OnX64) {
        return (x86OnX64 ? L"Software\\Classes\\Wow6432Node\\" : L"Software\\Classes\\") + key;
    }

    HKEY root_;
};

// What the registration needs of the type library embedded in the DLL.
struct LibraryFacts {
    std::wstring id;           // {74F5D210-...}
    std::wstring version;      // "1.0", in hexadecimal digits as the automation library writes it
    std::wstring locale;       // "0"
    std::wstring description;  // the library's help string
    struct Interface {
        std::wstring id, name;
    };
    std::vector<Interface> interfaces;  // those the automation marshaler serves
};

HRESULT ReadLibraryFacts(LibraryFacts& facts) {
    win::ComPtr<ITypeLib> library;
    HRESULT hr = LoadServerTypeLib(library.put());
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr)) return hr;
    const TLIBATTR libraryAttributes = *attributes;
    library->ReleaseTLibAttr(attributes);
    facts.id = GuidText(libraryAttributes.guid);
    facts.version = Hex(libraryAttributes.wMajorVerNum) + L"." + Hex(libraryAttributes.wMinorVerNum);
    facts.locale = Hex(libraryAttributes.lcid);
    win::Bstr name, description;
    library->GetDocumentation(-1, name.put(), description.put(), nullptr, nullptr);
    facts.description = description.get() ? TextOf(description) : TextOf(name);

    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        win::ComPtr<ITypeInfo> info;
        if (FAILED(library->GetTypeInfo(i, info.put()))) continue;
        TYPEATTR* typeAttributes = nullptr;
        if (FAILED(info->GetTypeAttr(&typeAttributes))) continue;
        const TYPEKIND kind = typeAttributes->typekind;
        const WORD flags = typeAttributes->wTypeFlags;
        const GUID id = typeAttributes->guid;
        info->ReleaseTypeAttr(typeAttributes);
        const bool marshaled = kind == TKIND_DISPATCH ||
                               (kind == TKIND_INTERFACE && (flags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)));
        if (!marshaled) continue;
        win::Bstr interfaceName;
        info->GetDocumentation(MEMBERID_NIL, interfaceName.put(), nullptr, nullptr, nullptr);
        facts.interfaces.push_back({GuidText(id), TextOf(interfaceName)});
    }
    return S_OK;
}

struct RegistryValue {
    std::wstring key;
    const wchar_t* name;  // null for the key's default value
    std::wstring value;
};

std::vector<RegistryValue> RegistrationValues(const std::wstring& serverPath, const LibraryFacts& library) {
    using Store = ClassesStore;
    std::vector<RegistryValue> values;
    for (const ClassEntry& entry : kClasses) {
        const std::wstring clsid = GuidText(*entry.clsid);
        const std::wstring clsidKey = Store::Own(L"CLSID\\" + clsid);
        const std::wstring progIdKey = Store::Shared(entry.progId);
        values.push_back({clsidKey, nullptr, entry.title});
        values.push_back({clsidKey + L"\\InprocServer32", nullptr, serverPath});
        values.push_back({clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"});
        values.push_back({clsidKey + L"\\ProgID", nullptr, entry.progId});
        values.push_back({clsidKey + L"\\TypeLib", nullptr, library.id});
        values.push_back({clsidKey + L"\\Version", nullptr, library.version});
        values.push_back({progIdKey, nullptr, entry.title});
        values.push_back({progIdKey + L"\\CLSID", nullptr, clsid});
    }
    for (const LibraryFacts::Interface& item : library.interfaces) {
        const std::wstring key = Store::Own(L"Interface\\" + item.id);
        values.push_back({key, nullptr, item.name});
        values.push_back({key + L"\\ProxyStubClsid", nullptr, kAutomationMarshaler});
        values.push_back({key + L"\\ProxyStubClsid32", nullptr, kAutomationMarshaler});
        values.push_back({key + L"\\TypeLib", nullptr, library.id});
        values.push_back({key + L"\\TypeLib", L"Version", library.version});
    }
    const std::wstring versionKey = Store::Shared(L"TypeLib\\" + library.id + L"\\" + library.version);
    const size_t folderEnd = serverPath.find_last_of(L'\\');
    values.push_back({versionKey, nullptr, library.description});
    values.push_back({versionKey + L"\\FLAGS", nullptr, L"0"});
    values.push_back({versionKey + L"\\HELPDIR", nullptr,
                      folderEnd == std::wstring::npos ? std::wstring() : serverPath.substr(0, folderEnd)});
    values.push_back({versionKey + L"\\" + library.locale + L"\\" + kPlatform, nullptr, serverPath});
    return values;
}

// Removes this bitness's path of the type library, and the library's key once no platform's path
// is left in it.
void UnregisterLibrary(const ClassesStore& store, const LibraryFacts& library, LSTATUS& firstFailure) {
    auto remember = [&](LSTATUS status) {
        if (firstFailure == ERROR_SUCCESS) firstFailure = status;
    };
    const std::wstring libraryKey = ClassesStore::Shared(L"TypeLib\\" + library.id);
    const std::wstring versionKey = libraryKey + L"\\" + library.version;
    const std::wstring localeKey = versionKey + L"\\" + library.locale;
    remember(store.DeleteTree(localeKey + L"\\" + kPlatform));
    if (!store.Subkeys(localeKey).empty()) return;
    for (const std::wstring& name : store.Subkeys(versionKey)) {
        const bool bookkeeping =
            ::lstrcmpiW(name.c_str(), L"FLAGS") == 0 || ::lstrcmpiW(name.c_str(), L"HELPDIR") == 0;
        if (!bookkeeping && name != library.locale) return;
    }
    remember(store.DeleteTree(versionKey));
    if (store.Subkeys(libraryKey).empty()) remember(store.DeleteTree(libraryKey));
}

}  // namespace

HRESULT RegisterServer(RegistrationScope scope) noexcept {
    try {
        const std::wstring path = ServerPath();
        if (path.empty()) return E_UNEXPECTED;
        LibraryFacts library;
        const HRESULT hr = ReadLibraryFacts(library);
        if (FAILED(hr)) return hr;
        const ClassesStore store(scope);
        for (const RegistryValue& value : RegistrationValues(path, library)) {
            const LSTATUS status = store.SetValue(value.key, value.name, value.value);
            if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT UnregisterServer(RegistrationScope scope) noexcept {
    try {
        const ClassesStore store(scope);
        LSTATUS firstFailure = ERROR_SUCCESS;
        auto remember = [&](LSTATUS status) {
            if (firstFailure == ERROR_SUCCESS) firstFailure = status;
        };
        for (const ClassEntry& entry : kClasses)
            remember(store.DeleteTree(ClassesStore::Own(L"CLSID\\" + GuidText(*entry.clsid))));
        // The class names stay while the other bitness still serves the classes.
        for (const ClassEntry& entry : kClasses) {
            if (!store.Exists(ClassesStore::OtherBitness(L"CLSID\\" + GuidText(*entry.clsid))))
                remember(store.DeleteTree(ClassesStore::Shared(entry.progId)));
        }
        LibraryFacts library;
        if (SUCCEEDED(ReadLibraryFacts(library))) {
            for (const LibraryFacts::Interface& item : library.interfaces)
                remember(store.DeleteTree(ClassesStore::Own(L"Interface\\" + item.id)));
            UnregisterLibrary(store, library, firstFailure);
        }
        return HRESULT_FROM_WIN32(firstFailure);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

std::optional<RegistrationScope> ScopeOfInstallCommand(const wchar_t* commandLine) noexcept {
    if (!commandLine || !*commandLine) return RegistrationScope::Machine;
    if (::lstrcmpiW(commandLine, L"user") == 0) return RegistrationScope::User;
    return std::nullopt;
}

}  // namespace labelsupport
