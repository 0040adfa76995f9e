// The Excel stand-in through COM, as the label program meets it in the test prefix: created by its
// class name, or found running as the operator's own Excel.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

#include "standins/excel/XlsxWorkbook.h"
#include "standins/excel/ZipArchive.h"
#include "tests/standins/Fixtures.h"
#include "tests/workflow/Standins.h"
#include "win/ComApartment.h"
#include "win/SafeArray.h"
#include "win/ObjectCreation.h"

using standin_tests::FailureOf;
using standin_tests::FixturePath;
using standin_tests::PatientCaller;
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
constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x800A0007);

class ExcelStandinTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(com.ok()); }

    win::ComApartment com;
    workflow::StandinScenario excel{L"Excel"};
};

TEST_F(ExcelStandinTest, ResizeGivesARangeWhoseDefaultValueIsTheBlockInExcelsValueKinds) {
    auto app = win::CreateObject(L"Excel.Application");
    auto book = AsObject(Call(AsObject(Get(app.get(), L"Workbooks")).get(), L"Open", FixturePath(L"lookup.xlsx")));
    auto first = AsObject(Get(app.get(), L"Sheets", short{1}));
    auto sheet = AsObject(Get(book.get(), L"Worksheets", Get(first.get(), L"Name")));
    auto last = AsObject(Call(AsObject(CallId(sheet.get(), DISPID_EVALUATE, L"a65536")).get(), L"End", short{3}));
    EXPECT_EQ(Typed(Get(last.get(), L"Row")), "I4:12");
    auto a1 = AsObject(CallId(sheet.get(), DISPID_EVALUATE, L"a1"));
    win::Variant resized = Call(a1.get(), L"Resize", 13L, short{20});
    ASSERT_EQ(resized.type(), VT_DISPATCH) << "a range, as Excel's Resize gives";
    auto range = AsObject(std::move(resized));
    win::Variant block = CallId(range.get(), DISPID_VALUE);
    EXPECT_EQ(Typed(Get(range.get(), L"Value")), "ARRAY:13x20") << "Value is the default value";
    EXPECT_EQ(Typed(CallId(AsObject(Call(a1.get(), L"Resize", 1L, 1L)).get(), DISPID_VALUE)), "BSTR:物料编码")
        << "one cell: its value alone";
    EXPECT_EQ(Typed(CallId(a1.get(), DISPID_VALUE)), "BSTR:物料编码") << "the cell Evaluate gives";
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
    Strings resizes, defaultValues;
    for (const auto& call : excel.Calls()) {
        EXPECT_EQ(call.hr, "0x00000000") << call.Brief();
        if (call.member == "Resize") resizes.push_back(call.result);
        if (call.member == "Value") defaultValues.push_back(call.Brief() + " " + call.result);
    }
    EXPECT_EQ(resizes, (Strings{"DISPATCH", "DISPATCH"}));
    EXPECT_EQ(defaultValues, (Strings{"Range.Value() ARRAY:13x20", "Range.Value() ARRAY:13x20",
                                      "Range.Value() BSTR:物料编码", "Range.Value() BSTR:物料编码"}))
        << "the default value is logged as Value";
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
    auto wholeSheet = AsObject(Call(a1.get(), L"Resize", 1048576L, 16384L));
    EXPECT_EQ(FailureOf([&] { CallId(wholeSheet.get(), DISPID_VALUE); }).hr, kOutOfMemory)
        << "too many cells to hand out";
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

// The top-level window Application.Hwnd names, and the process that owns it.
HWND WindowOf(IDispatch* app) {
    win::Variant hwnd = Get(app, L"Hwnd");
    return V_VT(hwnd.get()) == VT_I4 ? reinterpret_cast<HWND>(static_cast<std::intptr_t>(V_I4(hwnd.get()))) : nullptr;
}

DWORD ProcessOf(IDispatch* app) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(WindowOf(app), &pid);
    return pid;
}

TEST_F(ExcelStandinTest, HwndAlertsMacroSecurityAndReadOnlyAreExcelsAndPutsAreLogged) {
    auto app = win::CreateObject(L"Excel.Application");
    HWND window = WindowOf(app.get());
    ASSERT_TRUE(::IsWindow(window));
    EXPECT_EQ(::GetAncestor(window, GA_PARENT), ::GetDesktopWindow()) << "a top-level window";
    EXPECT_FALSE(::IsWindowVisible(window)) << "Excel is hidden";
    DWORD pid = ProcessOf(app.get());
    std::vector<DWORD> servers = workflow::StandinProcesses(L"excel-standin.exe");
    EXPECT_NE(std::find(servers.begin(), servers.end(), pid), servers.end()) << "the stand-in's process";

    EXPECT_EQ(Typed(Get(app.get(), L"DisplayAlerts")), "BOOL:true");
    EXPECT_EQ(Typed(Get(app.get(), L"AutomationSecurity")), "I4:1") << "msoAutomationSecurityLow";
    Put(app.get(), L"DisplayAlerts", false);
    Put(app.get(), L"AutomationSecurity", short{3});
    EXPECT_EQ(Typed(Get(app.get(), L"DisplayAlerts")), "BOOL:false");
    EXPECT_EQ(Typed(Get(app.get(), L"AutomationSecurity")), "I4:3");
    EXPECT_EQ(FailureOf([&] { Put(app.get(), L"AutomationSecurity", 4); }).hr, kExcelError) << "no such level";
    EXPECT_EQ(Typed(Get(app.get(), L"AutomationSecurity")), "I4:3");

    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    auto book = AsObject(Call(workbooks.get(), L"Open", FixturePath(L"lookup.xlsx"), 0, true));
    EXPECT_EQ(Typed(Get(book.get(), L"ReadOnly")), "BOOL:true");
    Call(book.get(), L"Close", false);
    book = AsObject(Call(workbooks.get(), L"Open", FixturePath(L"lookup.xlsx")));
    EXPECT_EQ(Typed(Get(book.get(), L"ReadOnly")), "BOOL:false");
    Call(book.get(), L"Close", false);
    Call(app.get(), L"Quit");

    Strings putsAndOpens;
    for (const auto& call : excel.Calls())
        if (call.kind == "put" || call.member == "Open") putsAndOpens.push_back(call.Brief());
    const std::string lookup = "BSTR:" + testing_support::Utf8(FixturePath(L"lookup.xlsx"));
    EXPECT_EQ(putsAndOpens,
              (Strings{"Application.DisplayAlerts=(BOOL:false)", "Application.AutomationSecurity=(I2:3)",
                       "Application.AutomationSecurity=(I4:4)", "Workbooks.Open(" + lookup + ",I4:0,BOOL:true)",
                       "Workbooks.Open(" + lookup + ")"}));
}

TEST_F(ExcelStandinTest, HasFormulaIsFalseTrueOrNullAsNoneAllOrSomeCellsOfTheRangeHoldFormulas) {
    auto app = win::CreateObject(L"Excel.Application");
    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    // volatile.xlsx: headers in A1:F1, keys in A2:A3, formulas in B2:F3.
    auto book = AsObject(Call(workbooks.get(), L"Open", FixturePath(L"volatile.xlsx"), 0, true));
    auto sheet = AsObject(Get(book.get(), L"Worksheets", short{1}));
    auto range = [&](const wchar_t* cell, long rows, long columns) {
        return AsObject(Call(AsObject(CallId(sheet.get(), DISPID_EVALUATE, cell)).get(), L"Resize", rows, columns));
    };
    auto hasFormula = [&](const wchar_t* cell, long rows, long columns) {
        return Typed(Get(range(cell, rows, columns).get(), L"HasFormula"));
    };
    EXPECT_EQ(hasFormula(L"A1", 1, 6), "BOOL:false") << "the headers";
    EXPECT_EQ(hasFormula(L"B2", 2, 5), "BOOL:true");
    EXPECT_EQ(hasFormula(L"C3", 1, 1), "BOOL:true") << "one cell";
    EXPECT_EQ(hasFormula(L"A1", 3, 6), "NULL");
    EXPECT_EQ(hasFormula(L"A2", 2, 2), "NULL") << "keys beside formulas";
    EXPECT_EQ(hasFormula(L"B2", 3, 5), "NULL") << "formulas above empty cells";
    EXPECT_EQ(Typed(Get(AsObject(CallId(sheet.get(), DISPID_EVALUATE, L"B3")).get(), L"HasFormula")), "BOOL:true");

    // A formula's value is the result saved with it.
    win::Variant results = CallId(range(L"B2", 1, 5).get(), DISPID_VALUE);
    ASSERT_EQ(results.type(), VT_ARRAY | VT_VARIANT);
    {
        win::SafeArrayLock values(V_ARRAY(results.get()));
        Strings row;
        for (LONG column = 1; column <= 5; ++column) row.push_back(Typed(*values.At(1, column)));
        EXPECT_EQ(row, (Strings{"DATE:45292", "DATE:45292.5", "R8:0.25", "BSTR:V-1", "BSTR:V-1"}));
    }
    Call(book.get(), L"Close", false);

    book = AsObject(Call(workbooks.get(), L"Open", FixturePath(L"lookup.xlsx"), 0, true));
    sheet = AsObject(Get(book.get(), L"Worksheets", short{1}));
    EXPECT_EQ(hasFormula(L"A1", 13, 20), "BOOL:false") << "a shipping list of values";
    Call(app.get(), L"Quit");
    Strings logged;
    for (const auto& call : excel.Calls())
        if (call.member == "HasFormula") logged.push_back(call.result);
    EXPECT_EQ(logged,
              (Strings{"BOOL:false", "BOOL:true", "BOOL:true", "NULL", "NULL", "NULL", "BOOL:true", "BOOL:false"}));
}

// A call the stand-in answers with a question on a window no one sees, made as a client that must not
// hang makes it: from a worker thread with an apartment of its own. Once the log shows the call hung,
// the process Application.Hwnd names is ended from outside.
struct HungCall {
    bool pending = false;  // the call had not returned when the log showed it hung
    std::string logged;    // the hung call, as Call::Brief gives it
    std::string hr;        // its hr in the log
    HRESULT failure = S_OK;  // how the call failed once the process was ended
};

HungCall EndTheStuckExcel(const workflow::StandinScenario& excel, const std::function<void(IDispatch* app)>& steps) {
    std::atomic<DWORD> pid{0};
    std::atomic<bool> returned{false};
    HRESULT failure = S_OK;
    std::thread worker([&] {
        win::ComApartment com;
        failure = FailureOf([&] {
                      auto app = win::CreateObject(L"Excel.Application");
                      pid = ProcessOf(app.get());
                      steps(app.get());
                      Call(app.get(), L"Quit");  // nothing hung
                  }).hr;
        returned = true;
    });
    auto hung = [&]() -> std::optional<workflow::Call> {
        for (const auto& call : excel.Calls())
            if (call.kind == "hung") return call;
        return std::nullopt;
    };
    workflow::WaitUntil([&] { return returned || hung(); });
    HungCall out;
    out.pending = !returned;
    if (auto call = hung()) {
        out.logged = call->Brief();
        out.hr = call->hr;
    }
    win::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (process && !returned) ::TerminateProcess(process.get(), 9);
    worker.join();
    if (process) ::WaitForSingleObject(process.get(), 10000);
    out.failure = failure;
    excel.ClearLog();
    return out;
}

TEST_F(ExcelStandinTest, QuestionsOnAWindowNoOneSeesHangTheCallUntilTheProcessIsEnded) {
    const std::wstring links = FixturePath(L"links.xlsx"), macro = FixturePath(L"macro.xlsm"),
                       changing = FixturePath(L"volatile.xlsx");
    auto open = [](IDispatch* app, auto&&... args) {
        return AsObject(Call(AsObject(Get(app, L"Workbooks")).get(), L"Open", args...));
    };
    struct Case {
        const char* what;
        std::function<void(IDispatch*)> steps;
        std::string logged;
    };
    const std::string linksArg = "BSTR:" + testing_support::Utf8(links),
                      macroArg = "BSTR:" + testing_support::Utf8(macro);
    const Case cases[] = {
        {"links, UpdateLinks left out", [&](IDispatch* app) { open(app, links); }, "Workbooks.Open(" + linksArg + ")"},
        {"links, UpdateLinks 3", [&](IDispatch* app) { open(app, links, 3, true); },
         "Workbooks.Open(" + linksArg + ",I4:3,BOOL:true)"},
        {"macro, security left low", [&](IDispatch* app) { open(app, macro, 0, true); },
         "Workbooks.Open(" + macroArg + ",I4:0,BOOL:true)"},
        {"macro, alerts off and security by the user interface",
         [&](IDispatch* app) {
             Put(app, L"DisplayAlerts", false);
             Put(app, L"AutomationSecurity", 2);
             open(app, macro, 0, true);
         },
         "Workbooks.Open(" + macroArg + ",I4:0,BOOL:true)"},
        {"a changed read-only workbook saved: Save As",
         [&](IDispatch* app) { Call(open(app, changing, 0, true).get(), L"Close", true); },
         "Workbook.Close(BOOL:true)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HungCall call = EndTheStuckExcel(excel, c.steps);
        EXPECT_TRUE(call.pending);
        EXPECT_EQ(call.logged, c.logged);
        EXPECT_EQ(call.hr, "0x8000000A") << "E_PENDING";
        EXPECT_TRUE(win::IsServerGone(call.failure)) << std::hex << call.failure;
    }

    EXPECT_FALSE(workflow::InRunningObjectTable(links)) << "an Excel ended from outside has no workbook open";
    EXPECT_FALSE(workflow::InRunningObjectTable(changing));
    // A new Excel starts after each one was ended; these open without a question.
    auto app = win::CreateObject(L"Excel.Application");
    auto book = open(app.get(), links, 0);
    EXPECT_EQ(Typed(Get(book.get(), L"Saved")), "BOOL:true") << "formulas that are not volatile change nothing";
    auto price = AsObject(CallId(AsObject(Get(book.get(), L"Worksheets", short{1})).get(), DISPID_EVALUATE, L"B2"));
    EXPECT_EQ(Typed(CallId(price.get(), DISPID_VALUE)), "R8:12.5") << "the value saved from the link";
    Put(app.get(), L"AutomationSecurity", short{3});
    book = open(app.get(), macro);
    EXPECT_EQ(Typed(Get(book.get(), L"FullName")), macroArg);
    Call(app.get(), L"Quit");
    for (const auto& call : excel.Calls()) EXPECT_EQ(call.hr, "0x00000000") << call.Brief();
}

FILETIME WriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool operator==(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// A copy of a fixture in a scratch folder, last written on 1 January 2024.
void CopyFixture(const std::wstring& fixture, const std::wstring& path) {
    testing_support::WriteBytes(path, testing_support::ReadBytes(FixturePath(fixture)));
    win::UniqueFile file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    SYSTEMTIME newYear{2024, 1, 1, 1};
    FILETIME time{};
    ::SystemTimeToFileTime(&newYear, &time);
    ::SetFileTime(file.get(), nullptr, nullptr, &time);
}

TEST_F(ExcelStandinTest, OpeningRecalculatesVolatileFormulasAndOnlyCloseTrueOfAReadWriteWorkbookSavesIt) {
    testing_support::TempDir dir(L"excel-volatile");
    const std::wstring path = dir / L"清单.xlsx", plain = dir / L"values.xlsx";
    CopyFixture(L"volatile.xlsx", path);
    CopyFixture(L"lookup.xlsx", plain);
    const std::string original = testing_support::ReadBytes(path), plainBytes = testing_support::ReadBytes(plain);
    const FILETIME originalTime = WriteTime(path), plainTime = WriteTime(plain);
    auto unchanged = [&] { return testing_support::ReadBytes(path) == original && WriteTime(path) == originalTime; };

    auto app = win::CreateObject(L"Excel.Application");
    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    for (bool readOnly : {true, false}) {
        auto book = readOnly ? AsObject(Call(workbooks.get(), L"Open", path, 0, true))
                             : AsObject(Call(workbooks.get(), L"Open", path));
        EXPECT_EQ(Typed(Get(book.get(), L"Saved")), "BOOL:false") << "recalculated on opening";
        Call(book.get(), L"Close", false);
        EXPECT_TRUE(unchanged()) << (readOnly ? "read-only" : "read-write") << ", Close(False)";
    }
    auto book = AsObject(Call(workbooks.get(), L"Open", path));
    Put(book.get(), L"Saved", true);
    Call(book.get(), L"Close", true);
    EXPECT_TRUE(unchanged()) << "marked saved: nothing to save";

    book = AsObject(Call(workbooks.get(), L"Open", path));
    Call(book.get(), L"Close", true);
    std::string saved = testing_support::ReadBytes(path);
    EXPECT_NE(saved, original);
    EXPECT_FALSE(WriteTime(path) == originalTime);
    std::string error;
    auto package = xlsx::ZipArchive::Open(saved, &error);
    ASSERT_TRUE(package) << error;
    std::string workbookPart = package->Read("xl/workbook.xml", &error).value_or(error);
    EXPECT_NE(workbookPart.find("calcId=\"191029\""), std::string::npos) << "Excel's calculation id";
    xlsx::LoadFailure failure;
    auto reread = xlsx::ReadWorkbookFile(path, &failure);
    ASSERT_TRUE(reread) << failure.reason;
    EXPECT_TRUE(reread->volatileFormulas);
    const xlsx::Cell* key = reread->sheets.at(0).cells.Find(3, 1);
    ASSERT_TRUE(key);
    EXPECT_EQ(reread->strings.at(key->index), L"V-2");

    book = AsObject(Call(workbooks.get(), L"Open", plain));
    EXPECT_EQ(Typed(Get(book.get(), L"Saved")), "BOOL:true") << "no volatile formulas";
    Call(book.get(), L"Close", true);
    EXPECT_EQ(testing_support::ReadBytes(plain), plainBytes);
    EXPECT_TRUE(WriteTime(plain) == plainTime);
    Call(app.get(), L"Quit");
}

TEST_F(ExcelStandinTest, AWorkbookOpenForEditingElsewhereOpensReadOnlyOnly) {
    testing_support::TempDir dir(L"excel-locked");
    const std::wstring path = dir / L"清单.xlsx";
    CopyFixture(L"lookup.xlsx", path);
    auto app = win::CreateObject(L"Excel.Application");
    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    auto firstCell = [](IDispatch* book) {
        auto sheet = AsObject(Get(book, L"Worksheets", short{1}));
        return Typed(CallId(AsObject(CallId(sheet.get(), DISPID_EVALUATE, L"A1")).get(), DISPID_VALUE));
    };
    {
        workflow::LockedFile otherStation(path);
        ASSERT_TRUE(otherStation.held());
        auto locked = FailureOf([&] { Call(workbooks.get(), L"Open", path); });
        EXPECT_EQ(locked.hr, kExcelError);
        EXPECT_TRUE(locked.Says(L"'清单.xlsx' is locked for editing")) << testing_support::Utf8(locked.description);
        auto book = AsObject(Call(workbooks.get(), L"Open", path, 0, true));
        EXPECT_EQ(Typed(Get(book.get(), L"ReadOnly")), "BOOL:true");
        EXPECT_EQ(firstCell(book.get()), "BSTR:物料编码");
        Call(book.get(), L"Close", false);
    }
    // Another Excel of this PC that has it open read-write holds it the same way.
    auto book = AsObject(Call(workbooks.get(), L"Open", path));
    auto other = win::CreateObject(L"Excel.Application");
    auto otherBooks = AsObject(Get(other.get(), L"Workbooks"));
    EXPECT_EQ(FailureOf([&] { Call(otherBooks.get(), L"Open", path); }).hr, kExcelError);
    auto readOnly = AsObject(Call(otherBooks.get(), L"Open", path, 0, true));
    EXPECT_EQ(firstCell(readOnly.get()), "BSTR:物料编码");
    Call(other.get(), L"Quit");
    Call(book.get(), L"Close", false);
    Call(app.get(), L"Quit");
}

TEST_F(ExcelStandinTest, AnOpenWorkbookShowsFromOutsideUntilItIsClosedOrExcelEnds) {
    testing_support::TempDir dir(L"excel-owner");
    const std::wstring path = dir / L"清单.xlsx", owner = dir / L"~$清单.xlsx";
    CopyFixture(L"lookup.xlsx", path);
    EXPECT_EQ(workflow::OwnerFile(path), owner);
    auto writable = [&] {
        win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        return static_cast<bool>(file);
    };
    auto shows = [&] {
        return std::string(workflow::InRunningObjectTable(path) ? "in the table" : "not in the table") +
               (testing_support::Exists(owner) ? ", owner file" : "") + (writable() ? ", writable" : "");
    };
    EXPECT_EQ(shows(), "not in the table, writable");

    auto app = win::CreateObject(L"Excel.Application");
    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    auto book = AsObject(Call(workbooks.get(), L"Open", path));
    EXPECT_EQ(shows(), "in the table, owner file") << "read-write";
    EXPECT_TRUE(::GetFileAttributesW(owner.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    wchar_t user[257] = {};
    DWORD length = 257;
    ASSERT_TRUE(::GetUserNameW(user, &length));
    std::string record = testing_support::ReadBytes(owner);
    std::string utf16(reinterpret_cast<const char*>(user), std::wcslen(user) * sizeof(wchar_t));
    EXPECT_NE(record.find(utf16), std::string::npos) << "the owner file names the user";
    EXPECT_EQ(testing_support::ReadBytes(path), testing_support::ReadBytes(FixturePath(L"lookup.xlsx")))
        << "others may read it";
    Call(book.get(), L"Close", false);
    EXPECT_EQ(shows(), "not in the table, writable") << "closed";

    book = AsObject(Call(workbooks.get(), L"Open", path, 0, true));
    EXPECT_EQ(shows(), "in the table, writable") << "read-only: no owner file, others may write it";
    Call(app.get(), L"Quit");
    EXPECT_EQ(shows(), "not in the table, writable") << "Quit closes it";

    // An Excel ended by its stop event has its workbook open to the end.
    app = win::CreateObject(L"Excel.Application");
    DWORD pid = ProcessOf(app.get());
    book = AsObject(Call(AsObject(Get(app.get(), L"Workbooks")).get(), L"Open", path));
    EXPECT_EQ(shows(), "in the table, owner file");
    workflow::StopStandin(L"Excel");
    ASSERT_TRUE(workflow::ProcessEnded(pid, 10000));
    EXPECT_EQ(shows(), "not in the table, writable") << "Excel ended";
}

}  // namespace
