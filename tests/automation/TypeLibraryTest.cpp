// The type library inside labelsupport.dll, read straight from the DLL (no registration): the
// interface ids, the order of the operations and their dispatch ids, which arguments are by
// reference, in-out or optional, and that IDispatch on the objects serves exactly what the library
// describes.
#include <oaidl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/automation/AutomationTestSupport.h"
#include "win/ComApartment.h"

using namespace automation_tests;

namespace {

win::ComPtr<ITypeLib> LoadLibraryOfDll() {
    win::ComPtr<ITypeLib> library;
    EXPECT_EQ(::LoadTypeLibEx(ServerDllPath().c_str(), REGKIND_NONE, library.put()), S_OK);
    return library;
}

// The vtable side of the default interface of a coclass.
win::ComPtr<ITypeInfo> DefaultInterfaceOf(ITypeLib* library, const wchar_t* coclass) {
    win::ComPtr<ITypeInfo> result;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        win::ComPtr<ITypeInfo> info;
        library->GetTypeInfo(i, info.put());
        BSTR name = nullptr;
        info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
        const bool match = name && std::wstring(name) == coclass;
        ::SysFreeString(name);
        if (!match) continue;
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        const bool isClass = attr->typekind == TKIND_COCLASS;
        info->ReleaseTypeAttr(attr);
        if (!isClass) continue;
        HREFTYPE ref = 0;
        win::ComPtr<ITypeInfo> dispatch;
        info->GetRefTypeOfImplType(0, &ref);
        info->GetRefTypeInfo(ref, dispatch.put());
        dispatch->GetRefTypeOfImplType(-1, &ref);
        dispatch->GetRefTypeInfo(ref, result.put());
    }
    return result;
}

std::wstring TypeText(const TYPEDESC& type) {
    switch (type.vt) {
        case VT_PTR:
            return TypeText(*type.lptdesc) + L"*";
        case VT_SAFEARRAY:
            return L"SAFEARRAY(" + TypeText(*type.lptdesc) + L")";
        case VT_I4:
            return L"LONG";
        case VT_UI1:
            return L"UCHAR";
        case VT_BSTR:
            return L"BSTR";
        case VT_BOOL:
            return L"VARIANT_BOOL";
        case VT_VARIANT:
            return L"VARIANT";
        case VT_HRESULT:
            return L"HRESULT";
        default:
            return L"vt" + std::to_wstring(type.vt);
    }
}

std::wstring FlagsText(const PARAMDESC& param) {
    std::wstring text;
    auto add = [&](USHORT flag, const wchar_t* word) {
        if (param.wParamFlags & flag) text += (text.empty() ? L"" : L",") + std::wstring(word);
    };
    add(PARAMFLAG_FIN, L"in");
    add(PARAMFLAG_FOUT, L"out");
    add(PARAMFLAG_FOPT, L"optional");
    if ((param.wParamFlags & PARAMFLAG_FHASDEFAULT) && param.pparamdescex) {
        win::Variant text2;
        ::VariantChangeType(text2.put(), &param.pparamdescex->varDefaultValue, 0, VT_BSTR);
        text += L",default " + std::wstring(V_BSTR(text2.get()));
    }
    return L"[" + text + L"]";
}

// "D2B([in,out] LONG* Dec) -> BSTR": one operation of the table as a caller reads it.
struct Operation {
    std::wstring signature;
    MEMBERID id = 0;
};

std::vector<Operation> OperationsOf(ITypeInfo* table) {
    std::vector<Operation> operations;
    TYPEATTR* attr = nullptr;
    if (!table || FAILED(table->GetTypeAttr(&attr))) return operations;
    const WORD count = attr->cFuncs;
    table->ReleaseTypeAttr(attr);
    std::vector<std::pair<SHORT, Operation>> byOffset;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* f = nullptr;
        table->GetFuncDesc(i, &f);
        BSTR names[16] = {};
        UINT named = 0;
        table->GetNames(f->memid, names, 16, &named);
        std::wstring text = names[0];
        std::wstring params;
        std::wstring result;
        for (SHORT p = 0; p < f->cParams; ++p) {
            const ELEMDESC& e = f->lprgelemdescParam[p];
            if (e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) {
                result = L" -> " + TypeText(*e.tdesc.lptdesc);
                continue;
            }
            params += (params.empty() ? L"" : L", ") + FlagsText(e.paramdesc) + L" " + TypeText(e.tdesc) + L" " +
                      (p + 1u < named ? std::wstring(names[p + 1]) : L"?");
        }
        text += L"(" + params + L")" + result;
        if (f->elemdescFunc.tdesc.vt != VT_HRESULT) text += L" !not HRESULT";
        byOffset.push_back({f->oVft, Operation{text, f->memid}});
        for (BSTR& name : names) ::SysFreeString(name);
        table->ReleaseFuncDesc(f);
    }
    std::sort(byOffset.begin(), byOffset.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (auto& entry : byOffset) operations.push_back(entry.second);
    if (!byOffset.empty() && byOffset.front().first != static_cast<SHORT>(7 * sizeof(void*)))
        operations.push_back({L"!first operation does not follow IDispatch", 0});
    return operations;
}

std::vector<std::wstring> Signatures(const std::vector<Operation>& operations) {
    std::vector<std::wstring> out;
    for (const Operation& op : operations) out.push_back(op.signature);
    return out;
}

std::vector<MEMBERID> Ids(const std::vector<Operation>& operations) {
    std::vector<MEMBERID> out;
    for (const Operation& op : operations) out.push_back(op.id);
    return out;
}

std::vector<MEMBERID> IdsFrom0x60030000(int count) {
    std::vector<MEMBERID> ids;
    for (int i = 0; i < count; ++i) ids.push_back(0x60030000 + i);
    return ids;
}

}  // namespace

TEST(LabelSupportTypeLibrary, RadixIsADualInterfaceWithItsFixedIdAndTwentySixOperationsInOrder) {
    win::ComApartment com;
    auto library = LoadLibraryOfDll();
    ASSERT_TRUE(library);

    win::ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(library->GetTypeInfoOfGuid(kRadixIid, dispatch.put()), S_OK) << "IRadix has the fixed interface id";
    TYPEATTR* attr = nullptr;
    dispatch->GetTypeAttr(&attr);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    dispatch->ReleaseTypeAttr(attr);

    auto table = DefaultInterfaceOf(library.get(), L"Radix");
    ASSERT_TRUE(table) << "coclass Radix with IRadix as its default interface";
    table->GetTypeAttr(&attr);
    EXPECT_EQ(attr->guid, kRadixIid);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION) << "marshaled by the automation library";
    table->ReleaseTypeAttr(attr);

    auto operations = OperationsOf(table.get());
    const std::vector<std::wstring> expected = {
        L"B2D([in] BSTR* vBStr) -> LONG",      L"D2B([in,out] LONG* Dec) -> BSTR",
        L"H2B([in] BSTR Hex) -> BSTR",         L"B2H([in] BSTR Bin) -> BSTR",
        L"H2D([in] BSTR Hex) -> LONG",         L"D2H([in,out] LONG* Dec) -> BSTR",
        L"D2O([in,out] LONG* Dec) -> BSTR",    L"O2D([in] BSTR Oct) -> LONG",
        L"B2O([in] BSTR Bin) -> BSTR",         L"O2B([in] BSTR Oct) -> BSTR",
        L"O2H([in] BSTR Oct) -> BSTR",         L"H2O([in] BSTR Hex) -> BSTR",
        L"H2A([in] BSTR* InputData) -> BSTR",  L"S2H([in] LONG* Num) -> BSTR",
        L"S2H2([in] LONG* Num) -> BSTR",       L"A2H([in] BSTR* str) -> BSTR",
        L"FHexToInt([in] BSTR str) -> BSTR",   L"FHexToInt6([in] BSTR str) -> BSTR",
        L"FHexToInt4([in] BSTR str) -> BSTR",  L"IntToFHex([in] LONG nums) -> BSTR",
        L"IntToFHex6([in] LONG nums) -> BSTR", L"IntToFHex4([in] LONG nums) -> BSTR",
        L"B2S([in] VARIANT str) -> VARIANT",   L"V2H([in] BSTR sHex, [in,optional] VARIANT* bUnicode) -> VARIANT",
        L"A2B([in] BSTR* str) -> VARIANT",     L"B2A([in] VARIANT* vData) -> BSTR",
    };
    EXPECT_EQ(Signatures(operations), expected);
    EXPECT_EQ(Ids(operations), IdsFrom0x60030000(26));
}

TEST(LabelSupportTypeLibrary, CodeTransAndWaitOperationsWithTheirReferenceAndOptionalArguments) {
    win::ComApartment com;
    auto library = LoadLibraryOfDll();
    ASSERT_TRUE(library);

    auto codec = OperationsOf(DefaultInterfaceOf(library.get(), L"CodeTrans").get());
    const std::vector<std::wstring> codecExpected = {
        L"Unicode8Decode([in] SAFEARRAY(UCHAR)* bTemp) -> BSTR",
        L"Unicode8Encode([in] BSTR* bTemp) -> SAFEARRAY(UCHAR)",
        L"UnicodeDecode([in] SAFEARRAY(UCHAR)* bTemp, [in,optional,default 0] VARIANT_BOOL BigEndian) -> BSTR",
        L"UnicodeEncode([in] BSTR* bTemp, [in,optional,default 0] VARIANT_BOOL BigEndian) -> SAFEARRAY(UCHAR)",
        L"EncodeToBytes([in] BSTR sData) -> SAFEARRAY(UCHAR)",
        L"DecodeToBytes([in] BSTR sData) -> SAFEARRAY(UCHAR)",
    };
    EXPECT_EQ(Signatures(codec), codecExpected);
    EXPECT_EQ(Ids(codec), IdsFrom0x60030000(6));

    auto wait = OperationsOf(DefaultInterfaceOf(library.get(), L"Wait").get());
    EXPECT_EQ(Signatures(wait), std::vector<std::wstring>{L"Wait([in] LONG* MilliSeconds)"});
    EXPECT_EQ(Ids(wait), IdsFrom0x60030000(1));
}

// Every operation the library lists is answered by the object's own IDispatch under the same
// name and id, with the library's count of required and optional arguments.
TEST(LabelSupportTypeLibrary, EachObjectsDispatchServesExactlyTheOperationsItDescribes) {
    win::ComApartment com;
    RegisterThisBuild();
    auto library = LoadLibraryOfDll();
    ASSERT_TRUE(library);

    for (const wchar_t* progId : {L"LabelSupport.Radix", L"LabelSupport.CodeTrans", L"LabelSupport.Wait"}) {
        SCOPED_TRACE(testing::Message() << std::string(progId, progId + wcslen(progId)));
        auto object = Create(progId);
        ASSERT_TRUE(object);
        UINT count = 0;
        ASSERT_EQ(object->GetTypeInfoCount(&count), S_OK);
        EXPECT_EQ(count, 1u);
        win::ComPtr<ITypeInfo> info;
        ASSERT_EQ(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
        HREFTYPE ref = 0;
        win::ComPtr<ITypeInfo> table;
        ASSERT_EQ(info->GetRefTypeOfImplType(-1, &ref), S_OK) << "the dispatch side of a dual interface";
        info->GetRefTypeInfo(ref, table.put());

        TYPEATTR* attr = nullptr;
        table->GetTypeAttr(&attr);
        const WORD functions = attr->cFuncs;
        table->ReleaseTypeAttr(attr);
        for (UINT i = 0; i < functions; ++i) {
            FUNCDESC* f = nullptr;
            table->GetFuncDesc(i, &f);
            BSTR name = nullptr;
            UINT got = 0;
            table->GetNames(f->memid, &name, 1, &got);
            int parameters = 0;
            int optional = 0;
            for (SHORT p = 0; p < f->cParams; ++p) {
                const USHORT flags = f->lprgelemdescParam[p].paramdesc.wParamFlags;
                if (flags & PARAMFLAG_FRETVAL) continue;
                ++parameters;
                if (flags & PARAMFLAG_FOPT) ++optional;
            }
            const int required = parameters - optional;
            SCOPED_TRACE(testing::Message() << "operation " << i);

            LPOLESTR names[] = {name};
            DISPID id = DISPID_UNKNOWN;
            EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
            EXPECT_EQ(id, f->memid);

            EXPECT_EQ(Invoke(object.get(), name, {}).hr, DISP_E_BADPARAMCOUNT) << "every operation needs an argument";
            std::vector<VARIANT> tooMany(parameters + 1, Missing());
            EXPECT_EQ(Invoke(object.get(), name, tooMany).hr, DISP_E_BADPARAMCOUNT);
            std::vector<VARIANT> allMissing(required, Missing());
            Outcome missing = Invoke(object.get(), name, allMissing);
            EXPECT_EQ(missing.hr, DISP_E_PARAMNOTFOUND) << "a required argument marked as left out";

            ::SysFreeString(name);
            table->ReleaseFuncDesc(f);
        }
    }
}
