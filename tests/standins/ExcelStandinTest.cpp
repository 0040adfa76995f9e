// The Excel stand-in through COM, as the label program meets it in the test prefix: created by its
// class name, or found running as the operator's own Excel.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "tests/standins/Fixtures.h"
#include "tests/workflow/Standins.h"
#include "win/ComApartment.h"
#include "win/SafeArray.h"

using standin_tests::FailureOf;
using standin_tests::FixturePath;
using standin_tests::Typed;
using win::AsObject;
using win::Call;
using win::CallId;
using win::Get;
using win::Put;
using Strings = std::vector<std::string>;

namespace {

constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);
constexpr HRESULT kObjectGone = static_cast<HRESULT>(0x800401A8);

class ExcelStandinTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(com.ok()); }

    win::ComApartment com;
    workflow::StandinScenario excel{L"Excel"};
};

TEST_F(ExcelStandinTest, ResizeHandsOverTheBlockInOneCallWithExcelsValueKinds) {
    auto app = win::CreateObject(L"Excel.Application");
    auto book = AsObject(Call(AsObject(Get(app.get(), L"Workbooks")).get(), L"Open", FixturePath(L"lookup.xlsx")));
    auto first = AsObject(Get(app.get(), L"Sheets", short{1}));
    auto sheet = AsObject(Get(book.get(), L"Worksheets", Get(first.get(), L"Name")));
    auto last = AsObject(Call(AsObject(CallId(sheet.get(), DISPID_EVALUATE, L"a65536")).get(), L"End", short{3}));
    EXPECT_EQ(Typed(Get(last.get(), L"Row")), "I4:12");
    auto a1 = AsObject(CallId(sheet.get(), DISPID_EVALUATE, L"a1"));
    win::Variant block = Call(a1.get(), L"Resize", 13L, short{20});
    EXPECT_EQ(Typed(Call(a1.get(), L"Resize", 1L, 1L)), "BSTR:物料编码") << "one cell: its value alone";
    Call(book.get(), L"Close", true);
    Call(app.get(), L"Quit");

    // The block outlives the server.
    ASSERT_EQ(block.type(), VT_ARRAY | VT_VARIANT);
    win::SafeArrayLock values(V_ARRAY(block.get()));
    ASSERT_EQ(values.dims(), 2u);
    EXPECT_EQ((std::vector<LONG>{values.lower(1), values.upper(1), values.lower(2), values.upper(2)}),
              (std::vector<LONG>{1, 13, 1, 20}));
    EXPECT_EQ(Typed(*values.At(5, 3)), "BSTR:SPEC-X");
    EXPECT_EQ(Typed(*values.At(8, 3)), "R8:100");
    EXPECT_EQ(Typed(*values.At(3, 3)), "ERROR:2042");
    EXPECT_EQ(Typed(*values.At(2, 9)), "DATE:45353") << "2 March 2024";
    EXPECT_EQ(Typed(*values.At(2, 20)), "BOOL:true");
    EXPECT_EQ(Typed(*values.At(13, 1)), "EMPTY") << "the row below the last";
    for (const auto& call : excel.Calls()) {
        EXPECT_EQ(call.hr, "0x00000000") << call.Brief();
        if (call.member == "Resize") {
            EXPECT_EQ(call.result, call.args[0] == "I4:13" ? "ARRAY:13x20" : "BSTR:物料编码");
        }
    }
}

TEST_F(ExcelStandinTest, FailuresReachTheClientAsExcelReportsThem) {
    auto app = win::CreateObject(L"Excel.Application");
    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    auto open = [&](const std::wstring& path) { return AsObject(Call(workbooks.get(), L"Open", path)); };

    auto missing = FailureOf([&] { open(FixturePath(L"no-such-list.xlsx")); });
    EXPECT_EQ(missing.hr, kExcelError);
    EXPECT_TRUE(missing.Says(L"could not be found"));
    auto damaged = FailureOf([&] { open(FixturePath(L"hostile\\corrupt-truncated.xlsx")); });
    EXPECT_EQ(damaged.hr, kExcelError);
    EXPECT_TRUE(damaged.Says(L"file format or file extension is not valid"));
    excel.Set(L"OpenFails", DWORD{1});
    EXPECT_EQ(FailureOf([&] { open(FixturePath(L"lookup.xlsx")); }).hr, kExcelError) << "OpenFails";
    excel.Set(L"OpenFails", DWORD{0});
    auto book = open(FixturePath(L"lookup.xlsx"));
    EXPECT_EQ(Typed(Get(workbooks.get(), L"Count")), "I4:1") << "the server lives on after the failures";

    auto sheet = AsObject(Get(book.get(), L"Worksheets", short{1}));
    auto a1 = AsObject(CallId(sheet.get(), DISPID_EVALUATE, L"A1"));
    excel.Set(L"ResizeFails", DWORD{1});
    EXPECT_EQ(FailureOf([&] { Call(a1.get(), L"Resize", 13L, short{20}); }).hr, kExcelError) << "ResizeFails";
    excel.Set(L"ResizeFails", DWORD{0});
    excel.Set(L"FailMembers", L"Worksheet.Select, Workbook.Close");
    EXPECT_EQ(FailureOf([&] { Call(sheet.get(), L"Select"); }).hr, kExcelError) << "FailMembers";
    EXPECT_EQ(FailureOf([&] { Get(sheet.get(), L"Name"); }).hr, S_OK);
    excel.Set(L"FailMembers", L"");

    EXPECT_EQ(FailureOf([&] { Call(a1.get(), L"Resize", 0L, short{20}); }).hr, kExcelError) << "no rows";
    EXPECT_EQ(FailureOf([&] { Call(a1.get(), L"End", short{7}); }).hr, kExcelError) << "no such direction";
    EXPECT_EQ(FailureOf([&] { Get(app.get(), L"Sheets", short{2}); }).hr, DISP_E_BADINDEX);
    EXPECT_EQ(FailureOf([&] { Get(book.get(), L"Worksheets", L"no such sheet"); }).hr, DISP_E_BADINDEX);
    EXPECT_EQ(Typed(CallId(sheet.get(), DISPID_EVALUATE, L"not a cell")), "ERROR:2029") << "#NAME?";

    Call(book.get(), L"Close", true);
    EXPECT_EQ(FailureOf([&] { Get(sheet.get(), L"Name"); }).hr, kObjectGone) << "objects of a closed workbook";
    Call(app.get(), L"Quit");
}

TEST_F(ExcelStandinTest, TheOperatorsExcelHasItsUnsavedWorkbookOpenAndEndsWhenALookupQuitsIt) {
    const std::wstring path = FixturePath(L"lookup.xlsx");
    excel.Set(L"OperatorWorkbook", path);
    testing_support::TempDir dir(L"excel-operator");
    workflow::OperatorExcel operatorExcel(dir / L"ready");
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    EXPECT_TRUE(testing_support::Exists(dir / L"ready"));
    {
        auto app = win::GetRunningObject(L"Excel.Application");
        EXPECT_EQ(Typed(Get(app.get(), L"Visible")), "BOOL:true") << "an Excel the operator started shows its window";
        auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
        auto book = AsObject(Get(workbooks.get(), L"Item", 1));
        EXPECT_EQ(Typed(Get(book.get(), L"FullName")), "BSTR:" + testing_support::Utf8(path));
        EXPECT_EQ(Typed(Get(book.get(), L"Saved")), "BOOL:false");
        // Open hands back the open workbook, unsaved changes and all.
        auto again = AsObject(Call(workbooks.get(), L"Open", path));
        EXPECT_EQ(Typed(Get(workbooks.get(), L"Count")), "I4:1");
        EXPECT_EQ(Typed(Get(again.get(), L"Saved")), "BOOL:false");
        Call(app.get(), L"Quit");
    }
    ASSERT_TRUE(operatorExcel.Exited(30000)) << "Quit ends the operator's Excel once its objects are released";
    EXPECT_EQ(operatorExcel.ExitCode(), 0u);
    EXPECT_FALSE(operatorExcel.Ready());
    EXPECT_THROW(win::GetRunningObject(L"Excel.Application"), win::ComError) << "it left the running-object table";

    workflow::OperatorExcel stopped;
    ASSERT_TRUE(stopped.WaitUntilReady());
    stopped.Stop();
    EXPECT_TRUE(stopped.Exited(30000)) << "the stop event ends it without a Quit";
    EXPECT_THROW(win::GetRunningObject(L"Excel.Application"), win::ComError);
}

// A caller's wait for a busy server: counts the refusals and waits a little after each.
struct PatientCaller final : win::CallWatch {
    int refusals = 0;
    bool Refused(int n) noexcept override {
        refusals = n;
        ::Sleep(50);
        return true;
    }
};

TEST_F(ExcelStandinTest, ABusyServerRefusesCallsForItsSpell) {
    auto app = win::CreateObject(L"Excel.Application");
    excel.Set(L"BusyForMs", DWORD{1500});
    ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(FailureOf([&] { Get(app.get(), L"Visible"); }).hr, RPC_E_CALL_REJECTED) << "no one waits: it fails";
    PatientCaller caller;
    {
        win::CallWatchScope waiting(caller);
        EXPECT_EQ(Typed(Get(app.get(), L"Visible")), "BOOL:false");
    }
    EXPECT_GE(::GetTickCount64() - start, 1400u) << "answered only after the spell";
    EXPECT_GT(caller.refusals, 5);
    Strings kinds;
    for (const auto& call : excel.Calls()) kinds.push_back(call.kind);
    EXPECT_EQ(kinds.front(), "refused");
    EXPECT_EQ(kinds.back(), "get");
    Call(app.get(), L"Quit");
}

TEST_F(ExcelStandinTest, AfterQuitTheServerLivesUntilItsLastObjectIsReleased) {
    std::vector<DWORD> before = workflow::StandinProcesses(L"excel-standin.exe");
    auto app = win::CreateObject(L"Excel.Application");
    DWORD server = 0;
    for (DWORD pid : workflow::StandinProcesses(L"excel-standin.exe"))
        if (std::find(before.begin(), before.end(), pid) == before.end()) server = pid;
    ASSERT_NE(server, 0u) << "a new server process";

    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    auto book = AsObject(Call(workbooks.get(), L"Open", FixturePath(L"lookup.xlsx")));
    Call(app.get(), L"Quit");
    EXPECT_FALSE(workflow::ProcessEnded(server, 1500)) << "its objects are still referenced";
    EXPECT_EQ(FailureOf([&] { Get(book.get(), L"FullName"); }).hr, kObjectGone) << "Quit closed the workbook";

    // The class is withdrawn: a new client gets a new server while this one winds down.
    auto next = win::CreateObject(L"Excel.Application");
    EXPECT_EQ(Typed(Get(AsObject(Get(next.get(), L"Workbooks")).get(), L"Count")), "I4:0");
    app = nullptr;
    workbooks = nullptr;
    EXPECT_FALSE(workflow::ProcessEnded(server, 500)) << "one object is left";
    book = nullptr;
    EXPECT_TRUE(workflow::ProcessEnded(server, 5000)) << "the last reference is gone";
    Call(next.get(), L"Quit");
}

}  // namespace
