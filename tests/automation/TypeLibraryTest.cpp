// The type library inside labelsupport.dll, read straight from the DLL (no registration): the
// interface ids, the operations' description in Operations.h against what the library declares
// (order, dispatch ids, arguments by reference, in-out or optional), and that IDispatch on the
// objects serves exactly what the library describes.
#include <oaidl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <span>
#include <string>
#include <vector>

#include "lib/automation/Operations.h"
#include "tests/automation/AutomationTestSupport.h"
#include "win/Bstr.h"
#include "win/ComApartment.h"

using namespace automation_tests;

namespace {

// The vtable side of the default interface of a coclass.
win::ComPtr<ITypeInfo> DefaultInterfaceOf(ITypeLib* library, const wchar_t* coclass) {
    win::ComPtr<ITypeInfo> info = CoclassOf(library, coclass), dispatch, result;
    HREFTYPE ref = 0;
    if (!info || FAILED(info->GetRefTypeOfImplType(0, &ref)) || FAILED(info->GetRefTypeInfo(ref, dispatch.put())))
        return result;
    if (SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &ref))) dispatch->GetRefTypeInfo(ref, result.put());
    return result;
}

// One operation of an interface as the type library describes it.
struct LibraryOperation {
    std::wstring name;
    MEMBERID id = 0;
    SHORT offset = 0;  // its place in the interface's table of operations
    labelsupport::OperationFacts facts{};
};

// The operations of an interface's table in table order, with what the library says of their parameters.
std::vector<LibraryOperation> OperationsOf(ITypeInfo* table) {
    std::vector<LibraryOperation> operations;
    TYPEATTR* attr = nullptr;
    if (!table || FAILED(table->GetTypeAttr(&attr))) return operations;
    const WORD count = attr->cFuncs;
    table->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(table->GetFuncDesc(i, &f))) continue;
        win::Bstr name;
        UINT named = 0;
        table->GetNames(f->memid, name.put(), 1, &named);
        LibraryOperation operation{win::BstrText(name.get()), f->memid, f->oVft, {}};
        for (SHORT p = 0; p < f->cParams; ++p) {
            const USHORT flags = f->lprgelemdescParam[p].paramdesc.wParamFlags;
            if (flags & PARAMFLAG_FRETVAL) {
                operation.facts.result = true;
                continue;
            }
            const unsigned bit = 1u << operation.facts.arguments++;
            if (flags & PARAMFLAG_FOPT) operation.facts.optional |= bit;
            if (flags & PARAMFLAG_FOUT) operation.facts.inOut |= bit;
            if (f->lprgelemdescParam[p].tdesc.vt == VT_PTR) operation.facts.byReference |= bit;
        }
        operations.push_back(std::move(operation));
        table->ReleaseFuncDesc(f);
    }
    std::sort(operations.begin(), operations.end(), [](auto& a, auto& b) { return a.offset < b.offset; });
    return operations;
}

// The description of each operation, line by line, against what the type library compiled from the
// IDL says: the same operations in the same order, under the same dispatch ids, with the same
// arguments by reference, written back and optional, and a result where the library has one.
void ExpectDescribedAsInTheLibrary(ITypeLib* library, const wchar_t* coclass,
                                   std::span<const labelsupport::OperationFacts> described) {
    SCOPED_TRACE(testing::Message() << std::string(coclass, coclass + wcslen(coclass)));
    const std::vector<LibraryOperation> compiled = OperationsOf(DefaultInterfaceOf(library, coclass).get());
    ASSERT_EQ(compiled.size(), described.size()) << "every operation of the interface is described once";
    EXPECT_EQ(compiled.front().offset, static_cast<SHORT>(7 * sizeof(void*))) << "the first follows IDispatch's";
    for (std::size_t k = 0; k < described.size(); ++k) {
        const labelsupport::OperationFacts& d = described[k];
        const LibraryOperation& c = compiled[k];
        SCOPED_TRACE(testing::Message() << "operation " << k);
        EXPECT_EQ(c.name, d.name);
        EXPECT_EQ(c.id, d.id);
        EXPECT_EQ(c.facts.arguments, d.arguments);
        EXPECT_EQ(c.facts.byReference, d.byReference);
        EXPECT_EQ(c.facts.inOut, d.inOut);
        EXPECT_EQ(c.facts.optional, d.optional);
        EXPECT_EQ(c.facts.result, d.result);
    }
}

}  // namespace

TEST(LabelSupportTypeLibrary, RadixIsADualInterfaceWithItsFixedId) {
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
}

TEST(LabelSupportTypeLibrary, EachOperationIsDescribedOnceAsTheTypeLibraryDeclaresIt) {
    win::ComApartment com;
    auto library = LoadLibraryOfDll();
    ASSERT_TRUE(library);
    ExpectDescribedAsInTheLibrary(library.get(), L"Radix", labelsupport::kRadixOperations);
    ExpectDescribedAsInTheLibrary(library.get(), L"CodeTrans", labelsupport::kCodeTransOperations);
    ExpectDescribedAsInTheLibrary(library.get(), L"Wait", labelsupport::kWaitOperations);
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

        for (const LibraryOperation& operation : OperationsOf(table.get())) {
            SCOPED_TRACE(testing::Message() << std::string(operation.name.begin(), operation.name.end()));
            const unsigned arguments = operation.facts.arguments;
            const unsigned required = arguments - static_cast<unsigned>(std::popcount(operation.facts.optional));

            LPOLESTR names[] = {const_cast<LPOLESTR>(operation.name.c_str())};
            DISPID id = DISPID_UNKNOWN;
            EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
            EXPECT_EQ(id, operation.id);

            const wchar_t* name = operation.name.c_str();
            EXPECT_EQ(Invoke(object.get(), name, {}).hr, DISP_E_BADPARAMCOUNT) << "every operation needs an argument";
            std::vector<VARIANT> tooMany(arguments + 1, Missing());
            EXPECT_EQ(Invoke(object.get(), name, tooMany).hr, DISP_E_BADPARAMCOUNT);
            std::vector<VARIANT> allMissing(required, Missing());
            Outcome missing = Invoke(object.get(), name, allMissing);
            EXPECT_EQ(missing.hr, DISP_E_PARAMNOTFOUND) << "a required argument marked as left out";
        }
    }
}
