// The Excel stand-in through COM, as the label program meets it in the test prefix: created by its
// class name, or found running as the operator's own Excel, and driven call by call.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "standins/excel/OperatorMode.h"
#include "tests/standins/Fixtures.h"
#include "tests/support/TestFiles.h"
#include "tests/workflow/Standins.h"
#include "win/ComApartment.h"
#include "win/Dispatch.h"
#include "win/SafeArray.h"
#include "win/UniqueResource.h"

using standin_tests::Contains;
using standin_tests::Failure;
using standin_tests::FailureOf;
using standin_tests::FixturePath;
using standin_tests::Typed;
using testing_support::Utf8;
using win::AsObject;
using win::Call;
using win::CallId;
using win::Get;
using win::Put;
using Strings = std::vector<std::string>;
using workflow::OperatorExcel;
using workflow::ProcessEnded;
using workflow::StandinProcesses;

namespace {

constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);

class ExcelStandinTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(com.ok()); }

    std::vector<std::string> Members() const {
        std::vector<std::string> out;
        for (const auto& call : excel.Calls()) out.push_back(call.member);
        return out;
    }

    win::ComApartment com;
    workflow::StandinScenario excel{L"Excel"};
};

TEST_F(ExcelStandinTest, TheLookupsCallSequenceCopiesTheBlockAndIsLoggedCallByCall) {
    const std::wstring path = FixturePath(L"lookup.xlsx");
    EXPECT_THROW(win::GetRunningObject(L"Excel.Application"), win::ComError) << "no Excel is running yet";

    auto app = win::CreateObject(L"Excel.Application");
    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    auto book = AsObject(Call(workbooks.get(), L"Open", path));
    Put(app.get(), L"Visible", false);
    auto first = AsObject(Get(app.get(), L"Sheets", short{1}));
    win::Variant name = Get(first.get(), L"Name");
    ASSERT_EQ(name.type(), VT_BSTR);
    EXPECT_EQ(std::wstring(V_BSTR(name.get())), L"清单");
    auto sheet = AsObject(Get(book.get(), L"Worksheets", std::wstring(V_BSTR(name.get()))));
    Call(sheet.get(), L"Select");
    auto bottom = AsObject(CallId(sheet.get(), DISPID_EVALUATE, L"a65536"));
    auto last = AsObject(Call(bottom.get(), L"End", short{3}));
    win::Variant lastRow = Get(last.get(), L"Row");
    ASSERT_EQ(lastRow.type(), VT_I4);
    EXPECT_EQ(V_I4(lastRow.get()), 12);
    auto a1 = AsObject(CallId(sheet.get(), DISPID_EVALUATE, L"a1"));
    win::Variant block = Call(a1.get(), L"Resize", static_cast<long>(V_I4(lastRow.get()) + 1), short{20});
    Call(book.get(), L"Close", true);
    Call(app.get(), L"Quit");

    // The block came over in the one call, and outlives the server.
    ASSERT_EQ(block.type(), VT_ARRAY | VT_VARIANT);
    win::SafeArrayLock values(V_ARRAY(block.get()));
    ASSERT_EQ(values.dims(), 2u);
    EXPECT_EQ(values.lower(1), 1);
    EXPECT_EQ(values.upper(1), 13);
    EXPECT_EQ(values.lower(2), 1);
    EXPECT_EQ(values.upper(2), 20);
    EXPECT_EQ(Typed(*values.At(1, 3)), "BSTR:规格");
    EXPECT_EQ(Typed(*values.At(5, 3)), "BSTR:SPEC-X");
    EXPECT_EQ(Typed(*values.At(8, 3)), "R8:100");
    EXPECT_EQ(Typed(*values.At(3, 3)), "ERROR:2042");
    EXPECT_EQ(Typed(*values.At(7, 3)), "BSTR:Tail-7 ");
    EXPECT_EQ(Typed(*values.At(2, 20)), "BOOL:true");
    EXPECT_EQ(Typed(*values.At(13, 1)), "EMPTY");

    EXPECT_EQ(excel.Briefs(), (Strings{
                                  "Application.Workbooks()",
                                  "Workbooks.Open(BSTR:" + Utf8(path) + ")",
                                  "Application.Visible=(BOOL:false)",
                                  "Application.Sheets(I2:1)",
                                  "Worksheet.Name()",
                                  "Workbook.Worksheets(BSTR:清单)",
                                  "Worksheet.Select()",
                                  "Worksheet.Evaluate(BSTR:a65536)",
                                  "Range.End(I2:3)",
                                  "Range.Row()",
                                  "Worksheet.Evaluate(BSTR:a1)",
                                  "Range.Resize(I4:13,I2:20)",
                                  "Workbook.Close(BOOL:true)",
                                  "Application.Quit()",
                              }));
    auto calls = excel.Calls();
    for (const auto& call : calls) EXPECT_EQ(call.hr, "0x00000000") << call.Brief();
    ASSERT_EQ(calls.size(), 14u);
    EXPECT_EQ(calls[1].result, "DISPATCH");
    EXPECT_EQ(calls[4].result, "BSTR:清单");
    EXPECT_EQ(calls[9].result, "I4:12");
    EXPECT_EQ(calls[11].result, "ARRAY:13x20");
    EXPECT_LE(calls[11].t0, calls[11].t1);
}

TEST_F(ExcelStandinTest, FailuresReachTheClientAsExcelReportsThem) {
    auto app = win::CreateObject(L"Excel.Application");
    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    auto open = [&](const std::wstring& path) { return AsObject(Call(workbooks.get(), L"Open", path)); };

    const std::wstring missing = FixturePath(L"no-such-list.xlsx");
    Failure notFound = FailureOf([&] { open(missing); });
    EXPECT_EQ(notFound.hr, kExcelError);
    EXPECT_TRUE(Contains(notFound.description, missing + L"' could not be found")) << Utf8(notFound.description);

    for (const wchar_t* file : {L"hostile\\corrupt-not-a-zip.xlsx", L"hostile\\legacy-binary.xls",
                                L"hostile\\hostile-zip-bomb.xlsx", L"hostile\\hostile-dtd.xlsx"}) {
        Failure bad = FailureOf([&] { open(FixturePath(file)); });
        EXPECT_EQ(bad.hr, kExcelError) << Utf8(file);
        EXPECT_TRUE(Contains(bad.description, L"file format or file extension is not valid")) << Utf8(bad.description);
    }

    excel.Set(L"OpenFails", DWORD{1});
    EXPECT_EQ(FailureOf([&] { open(FixturePath(L"lookup.xlsx")); }).hr, kExcelError) << "OpenFails";
    excel.Set(L"OpenFails", DWORD{0});
    auto book = open(FixturePath(L"lookup.xlsx"));
    EXPECT_EQ(V_I4(Get(workbooks.get(), L"Count").get()), 1) << "the server survived the damaged files";

    auto sheet = AsObject(Get(book.get(), L"Worksheets", short{1}));
    auto a1 = AsObject(CallId(sheet.get(), DISPID_EVALUATE, L"A1"));
    excel.Set(L"ResizeFails", DWORD{1});
    EXPECT_EQ(FailureOf([&] { Call(a1.get(), L"Resize", 13L, short{20}); }).hr, kExcelError) << "ResizeFails";
    excel.Set(L"ResizeFails", DWORD{0});
    EXPECT_EQ(Typed(*Call(a1.get(), L"Resize", 13L, short{20}).get()), "ARRAY:13x20");
    EXPECT_EQ(FailureOf([&] { Call(a1.get(), L"Resize", 0L, short{20}); }).hr, kExcelError) << "no rows";
    EXPECT_EQ(Typed(*Get(a1.get(), L"Value").get()), "BSTR:物料编码") << "a single cell's value alone";
    auto block = AsObject(Get(sheet.get(), L"Range", L"A1:T13"));
    EXPECT_EQ(Typed(*CallId(block.get(), DISPID_VALUE).get()), "ARRAY:13x20") << "the default value of a block";

    excel.Set(L"FailMembers", L"Worksheet.Select, Workbook.Close");
    EXPECT_EQ(FailureOf([&] { Call(sheet.get(), L"Select"); }).hr, kExcelError) << "FailMembers";
    EXPECT_EQ(FailureOf([&] { Get(sheet.get(), L"Name"); }).hr, S_OK);
    EXPECT_EQ(FailureOf([&] { Call(book.get(), L"Close", true); }).hr, kExcelError);
    excel.Set(L"FailMembers", L"");

    EXPECT_EQ(FailureOf([&] { Get(app.get(), L"Sheets", short{9}); }).hr, DISP_E_BADINDEX);
    EXPECT_EQ(FailureOf([&] { Get(book.get(), L"Worksheets", L"no such sheet"); }).hr, DISP_E_BADINDEX);
    EXPECT_EQ(Typed(*CallId(sheet.get(), DISPID_EVALUATE, L"not a cell").get()), "ERROR:2029") << "#NAME?";
    EXPECT_EQ(FailureOf([&] { Call(a1.get(), L"End", short{7}); }).hr, kExcelError) << "no such direction";

    Call(book.get(), L"Close", true);
    EXPECT_EQ(FailureOf([&] { Get(sheet.get(), L"Name"); }).hr, static_cast<HRESULT>(0x800401A8))
        << "objects of a closed workbook are gone";
    Call(app.get(), L"Quit");

    Strings openResults;
    for (const auto& call : excel.Calls())
        if (call.member == "Open") openResults.push_back(call.hr);
    EXPECT_EQ(openResults, (Strings{"0x800A03EC", "0x800A03EC", "0x800A03EC", "0x800A03EC", "0x800A03EC",
                                    "0x800A03EC", "0x00000000"}));
}

TEST_F(ExcelStandinTest, TheOperatorsExcelIsFoundRunningAndEndsWhenALookupQuitsIt) {
    testing_support::TempDir dir(L"excel-operator");
    const std::wstring readyFile = dir / L"ready";
    OperatorExcel operatorExcel(readyFile);
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    EXPECT_TRUE(testing_support::Exists(readyFile));

    {
        auto app = win::GetRunningObject(L"Excel.Application");
        win::Variant visible = Get(app.get(), L"Visible");
        EXPECT_EQ(Typed(*visible.get()), "BOOL:true") << "an Excel the operator started shows its window";
        auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
        auto book = AsObject(Call(workbooks.get(), L"Open", FixturePath(L"lookup.xlsx")));
        Put(app.get(), L"Visible", false);
        Call(app.get(), L"Quit");
    }
    ASSERT_TRUE(operatorExcel.Exited(30000)) << "Quit ends the operator's Excel";
    EXPECT_EQ(operatorExcel.ExitCode(), 0u);
    EXPECT_FALSE(operatorExcel.Ready());
    EXPECT_THROW(win::GetRunningObject(L"Excel.Application"), win::ComError);
    EXPECT_EQ(Members(), (Strings{"Visible", "Workbooks", "Open", "Visible", "Quit"}));
}

TEST_F(ExcelStandinTest, TheOperatorsExcelEndsOnItsStopEventWithoutAQuit) {
    OperatorExcel operatorExcel;
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    {
        auto app = win::GetRunningObject(L"Excel.Application");
        EXPECT_EQ(Typed(*Get(app.get(), L"Name").get()), "BSTR:Microsoft Excel");
        EXPECT_EQ(V_I4(Get(AsObject(Get(app.get(), L"Workbooks")).get(), L"Count").get()), 0);
    }
    operatorExcel.Stop();
    ASSERT_TRUE(operatorExcel.Exited(30000));
    EXPECT_EQ(operatorExcel.ExitCode(), 0u);
    EXPECT_THROW(win::GetRunningObject(L"Excel.Application"), win::ComError) << "it left the running-object table";
    EXPECT_EQ(Members(), (Strings{"Name", "Workbooks", "Count"}));
}

// A caller's wait for a busy server: counts the refusals and waits a little after each.
struct PatientCaller final : win::BusyHandler {
    int refusals = 0, waits = 0;
    bool giveUp = false;
    bool Refused(int n) noexcept override {
        refusals = n;
        if (giveUp) return false;
        ::Sleep(50);
        return true;
    }
    void WaitOver() noexcept override { ++waits; }
};

TEST_F(ExcelStandinTest, ABusyServerRefusesCallsForItsSpellAndAWaitingCallerGetsThrough) {
    auto app = win::CreateObject(L"Excel.Application");
    excel.Set(L"BusyForMs", DWORD{1500});
    ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(FailureOf([&] { Get(app.get(), L"Name"); }).hr, RPC_E_CALL_REJECTED) << "no one waits: it fails";
    EXPECT_EQ(FailureOf([&] { win::CreateObject(L"Excel.Application"); }).hr, RPC_E_CALL_REJECTED) << "nor is one created";

    PatientCaller caller;
    {
        win::BusyScope waiting(caller);
        EXPECT_EQ(Typed(*Get(app.get(), L"Name").get()), "BSTR:Microsoft Excel");
        EXPECT_GE(::GetTickCount64() - start, 1400u) << "answered only after the spell";
        EXPECT_GT(caller.refusals, 5);
        EXPECT_EQ(caller.waits, 1);
        EXPECT_EQ(Typed(*Get(app.get(), L"Version").get()), "BSTR:16.0") << "the spell is over";
        EXPECT_EQ(caller.waits, 1) << "a call that is not refused does not wait";
    }

    // Setting the switch again makes another spell; a caller that gives up gets its own error, and
    // the call never reached the object.
    excel.ClearLog();
    excel.Set(L"BusyForMs", DWORD{1500});
    caller.giveUp = true;
    {
        win::BusyScope waiting(caller);
        EXPECT_EQ(FailureOf([&] { Put(app.get(), L"Visible", true); }).hr, win::kGaveUpWhileBusy);
    }
    Strings kinds;
    for (const auto& call : excel.Calls()) kinds.push_back(call.kind + " " + call.object + "." + call.member);
    EXPECT_EQ(kinds, (Strings{"refused IDispatch.GetIDsOfNames"}));
    ::Sleep(1600);
    Call(app.get(), L"Quit");
}

TEST_F(ExcelStandinTest, AfterQuitTheServerLivesUntilItsLastObjectIsReleased) {
    std::vector<DWORD> before = StandinProcesses(L"excel-standin.exe");
    auto app = win::CreateObject(L"Excel.Application");
    std::vector<DWORD> after = StandinProcesses(L"excel-standin.exe");
    DWORD server = 0;
    for (DWORD pid : after)
        if (std::find(before.begin(), before.end(), pid) == before.end()) server = pid;
    ASSERT_NE(server, 0u) << "a new server process";

    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    auto book = AsObject(Call(workbooks.get(), L"Open", FixturePath(L"lookup.xlsx")));
    Call(app.get(), L"Quit");
    EXPECT_FALSE(ProcessEnded(server, 1500)) << "its objects are still referenced";
    EXPECT_EQ(FailureOf([&] { Get(book.get(), L"Name"); }).hr, static_cast<HRESULT>(0x800401A8))
        << "Quit closed the workbook";

    // The class is withdrawn: a new client gets a new server while this one winds down.
    auto next = win::CreateObject(L"Excel.Application");
    EXPECT_EQ(V_I4(Get(AsObject(Get(next.get(), L"Workbooks")).get(), L"Count").get()), 0);
    app = nullptr;
    workbooks = nullptr;
    EXPECT_FALSE(ProcessEnded(server, 500)) << "one object is left";
    book = nullptr;
    EXPECT_TRUE(ProcessEnded(server, 5000)) << "the last reference is gone";
    Call(next.get(), L"Quit");
}

TEST_F(ExcelStandinTest, TheOperatorsExcelCanStartWithAnUnsavedWorkbookOpen) {
    const std::wstring path = FixturePath(L"lookup.xlsx");
    excel.Set(L"OperatorWorkbook", path);
    OperatorExcel operatorExcel;
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    {
        auto app = win::GetRunningObject(L"Excel.Application");
        auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
        EXPECT_EQ(Typed(*Get(workbooks.get(), L"Count").get()), "I4:1");
        auto book = AsObject(Get(workbooks.get(), L"Item", 1));
        EXPECT_EQ(Typed(*Get(book.get(), L"FullName").get()), "BSTR:" + Utf8(path));
        EXPECT_EQ(Typed(*Get(book.get(), L"Saved").get()), "BOOL:false");
        // Open hands back the open workbook, unsaved changes and all.
        auto again = AsObject(Call(workbooks.get(), L"Open", path));
        EXPECT_EQ(Typed(*Get(workbooks.get(), L"Count").get()), "I4:1");
        EXPECT_EQ(Typed(*Get(again.get(), L"Saved").get()), "BOOL:false");
    }
    operatorExcel.Stop();
    EXPECT_TRUE(operatorExcel.Exited(30000));
}

}  // namespace
