// The stand-ins as processes: one server process for each creation, a server killed from outside and
// replaced, calls that never return, the two ways a busy server answers, and the WPS class names of
// the Excel stand-in.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <set>
#include <thread>

#include "tests/standins/Fixtures.h"
#include "tests/support/Registry.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"
#include "win/ComApartment.h"
#include "win/ObjectCreation.h"

using standin_tests::FailureOf;
using standin_tests::FixturePath;
using standin_tests::PatientCaller;
using standin_tests::Typed;
using win::AsObject;
using win::Call;
using win::Get;
using workflow::KillProcess;
using workflow::ProcessEnded;
using workflow::WaitUntil;

namespace {

// One call made from a worker thread with an apartment of its own. A call into a stuck server cannot
// be abandoned by the thread that made it, so the test's own thread stays free to end the server.
class WorkerCall {
public:
    explicit WorkerCall(std::function<void()> call) {
        thread_ = std::thread([state = state_, call = std::move(call)] {
            win::ComApartment com;
            state->hr = com.ok() ? FailureOf(call).hr : E_UNEXPECTED;
            ::SetEvent(state->done.get());
        });
    }
    // The test ends the server before this; a worker still stuck (the test failed) is left to the
    // process's end.
    ~WorkerCall() {
        if (Returned(10000)) thread_.join();
        else thread_.detach();
    }
    WorkerCall(const WorkerCall&) = delete;
    WorkerCall& operator=(const WorkerCall&) = delete;

    bool Returned(DWORD timeoutMs) const {
        return ::WaitForSingleObject(state_->done.get(), timeoutMs) == WAIT_OBJECT_0;
    }
    // What the call failed with (S_OK: it succeeded); read it once Returned said so.
    HRESULT hr() const { return state_->hr; }

private:
    // Shared with the worker, which may outlive this object.
    struct State {
        win::UniqueHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        HRESULT hr = E_PENDING;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::thread thread_;
};

// An object of this thread's apartment made usable by a worker thread (a proxy of the same server).
class ObjectForWorker {
public:
    explicit ObjectForWorker(IDispatch* object) {
        win::Check(::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, object, stream_.put()));
    }
    // Called once, on the worker thread.
    win::ComPtr<IDispatch> Take() {
        win::ComPtr<IDispatch> object;
        win::Check(::CoGetInterfaceAndReleaseStream(stream_.release(), IID_IDispatch, object.put_void()));
        return object;
    }

private:
    win::ComPtr<IStream> stream_;
};

// The process that answered the last call of the log.
DWORD LastServer(const workflow::StandinScenario& log) {
    auto calls = log.Calls();
    return calls.empty() ? 0 : calls.back().pid;
}

class ServerProcessTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(com.ok()); }

    win::ComApartment com;
    workflow::StandinScenario bartender{L"BarTender"};
    workflow::StandinScenario excel{L"Excel"};
};

TEST_F(ServerProcessTest, EachCreationStartsAServerOfItsOwnAndAKilledOneIsReplaced) {
    auto first = win::CreateObject(L"BarTender.Application");
    Get(first.get(), L"Version");
    DWORD firstServer = LastServer(bartender);
    auto second = win::CreateObject(L"BarTender.Application");
    Get(second.get(), L"Version");
    DWORD secondServer = LastServer(bartender);
    ASSERT_NE(firstServer, 0u);
    EXPECT_NE(secondServer, firstServer) << "single use: the second creation started a second process";
    EXPECT_FALSE(ProcessEnded(firstServer, 0));

    // Killed from outside, as the program ends a stuck server: the class can be created again from this
    // same client, by a new process.
    ASSERT_TRUE(KillProcess(firstServer));
    EXPECT_TRUE(win::IsServerGone(FailureOf([&] { Get(first.get(), L"Version"); }).hr));
    auto third = win::CreateObject(L"BarTender.Application");
    EXPECT_EQ(Typed(Get(third.get(), L"Version")), "BSTR:10.1");
    DWORD thirdServer = LastServer(bartender);
    EXPECT_NE(thirdServer, firstServer);
    EXPECT_NE(thirdServer, secondServer);
    EXPECT_EQ(Typed(Get(second.get(), L"Version")), "BSTR:10.1") << "the other server is untouched";
    Call(second.get(), L"Quit", 1L);
    Call(third.get(), L"Quit", 1L);
}

TEST_F(ServerProcessTest, TheOperatorsExcelIsFoundRunningButNeverAnswersACreation) {
    workflow::OperatorExcel operatorExcel;
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    auto running = win::GetRunningObject(L"Excel.Application");
    EXPECT_EQ(Typed(Get(running.get(), L"Visible")), "BOOL:true");
    DWORD operatorsServer = LastServer(excel);

    auto created = win::CreateObject(L"Excel.Application");
    EXPECT_EQ(Typed(Get(created.get(), L"Visible")), "BOOL:false") << "a new, hidden Excel";
    EXPECT_NE(LastServer(excel), operatorsServer);
    Call(created.get(), L"Quit");
}

TEST_F(ServerProcessTest, AHungCallAnswersNothingUntilItsServerIsEnded) {
    auto app = win::CreateObject(L"BarTender.Application");
    auto formats = AsObject(Get(app.get(), L"Formats"));
    const std::wstring path = FixturePath(L"templates\\all-fields.btw");
    bartender.Set(L"HangAt", L"Formats.Open");

    ObjectForWorker formatsForWorker(formats.get());
    WorkerCall open([&] { Call(formatsForWorker.Take().get(), L"Open", path, false, L""); });
    ASSERT_TRUE(WaitUntil([&] { return !bartender.Calls().empty() && bartender.Calls().back().kind == "hung"; }))
        << bartender.RawLog();
    workflow::Call hung = bartender.Calls().back();
    EXPECT_EQ(hung.Brief(), "Formats.Open(BSTR:" + testing_support::Utf8(path) + ",BOOL:false,BSTR:)");
    EXPECT_EQ(hung.hr, "0x8000000A");
    EXPECT_EQ(bartender.Answered("Formats.Open"), 0u) << "a hung call is not an answered one";

    ObjectForWorker appForWorker(app.get());
    WorkerCall version([&] { Get(appForWorker.Take().get(), L"Version"); });
    EXPECT_FALSE(open.Returned(2000)) << "the call never returns";
    EXPECT_FALSE(version.Returned(500)) << "the server answers nothing else meanwhile";

    ASSERT_TRUE(KillProcess(hung.pid));
    ASSERT_TRUE(open.Returned(10000));
    EXPECT_TRUE(win::IsServerGone(open.hr())) << std::hex << open.hr();
    ASSERT_TRUE(version.Returned(10000));
    EXPECT_TRUE(win::IsServerGone(version.hr())) << std::hex << version.hr();

    // The switch fired once: the next server opens the template.
    auto next = win::CreateObject(L"BarTender.Application");
    auto format = AsObject(Call(AsObject(Get(next.get(), L"Formats")).get(), L"Open", path, false, L""));
    EXPECT_NE(LastServer(bartender), hung.pid);
    Call(format.get(), L"Close", 1L);
    Call(next.get(), L"Quit", 1L);
}

TEST_F(ServerProcessTest, AServerCanHangInTheCreationOfItsApplication) {
    bartender.Set(L"HangAt", L"Application.Create");
    WorkerCall create([] { win::CreateObject(L"BarTender.Application"); });
    ASSERT_TRUE(WaitUntil([&] { return !bartender.Calls().empty(); })) << "the creation arrived";
    workflow::Call hung = bartender.Calls().back();
    EXPECT_EQ(hung.kind, "hung");
    EXPECT_EQ(hung.Brief(), "Application.Create()");
    EXPECT_FALSE(create.Returned(2000)) << "BarTender stuck at start-up";

    ASSERT_TRUE(KillProcess(hung.pid));
    ASSERT_TRUE(create.Returned(10000));
    EXPECT_TRUE(FAILED(create.hr()));
    auto app = win::CreateObject(L"BarTender.Application");
    EXPECT_EQ(Typed(Get(app.get(), L"Version")), "BSTR:10.1") << "a new server starts";
    Call(app.get(), L"Quit", 1L);
}

TEST_F(ServerProcessTest, ABusyServerRejectsOrAsksToRetryLaterFromTheCallItIsToldOf) {
    auto app = win::CreateObject(L"Excel.Application");
    auto kindAndHr = [&] { return excel.Calls().back().kind + " " + excel.Calls().back().hr; };

    // As Excel answers while a cell is edited.
    excel.Set(L"BusyAnswer", L"retrylater");
    excel.Set(L"BusyForMs", DWORD{1500});
    EXPECT_EQ(FailureOf([&] { Get(app.get(), L"Visible"); }).hr, RPC_E_SERVERCALL_RETRYLATER);
    EXPECT_EQ(kindAndHr(), "refused 0x8001010A");
    PatientCaller caller;
    {
        win::CallWatchScope waiting(caller);
        EXPECT_EQ(Typed(Get(app.get(), L"Visible")), "BOOL:false") << "answered after the spell";
    }
    EXPECT_GT(caller.refusals, 0);
    EXPECT_EQ(excel.Answered("Application.Visible"), 1u) << "a call asked to retry later was not carried out";

    // The default answer; the spell starts when the named call has returned.
    excel.ClearLog();
    excel.Set(L"BusyAnswer", L"");
    excel.Set(L"BusyAfter", L"Application.Workbooks");
    excel.Set(L"BusyForMs", DWORD{1500});
    EXPECT_EQ(Typed(Get(app.get(), L"Visible")), "BOOL:false") << "not busy before the named call";
    auto workbooks = AsObject(Get(app.get(), L"Workbooks"));
    EXPECT_EQ(FailureOf([&] { Get(workbooks.get(), L"Count"); }).hr, RPC_E_CALL_REJECTED);
    EXPECT_EQ(kindAndHr(), "refused 0x80010001");
    EXPECT_EQ(excel.Answered(), (std::vector<std::string>{"Application.Visible", "Application.Workbooks"}));
    win::CallWatchScope waiting(caller);
    Call(app.get(), L"Quit");
}

TEST_F(ServerProcessTest, WpsClassNamesStartTheExcelStandInForThatClass) {
    std::set<std::wstring> classIds;
    for (const std::wstring& progId : workflow::kSpreadsheetClasses) {
        SCOPED_TRACE(testing_support::Utf8(progId));
        CLSID clsid{};
        ASSERT_EQ(::CLSIDFromProgID(progId.c_str(), &clsid), S_OK);
        wchar_t text[64] = {};
        ::StringFromGUID2(clsid, text, 64);
        classIds.insert(text);
        auto server =
            testing_support::RegistryText(HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(text) + L"\\LocalServer32");
        ASSERT_TRUE(server.has_value());
        std::wstring shortName = progId.substr(0, progId.find(L'.'));
        EXPECT_EQ(server->ends_with(L"excel-standin.exe\" /class:" + shortName), progId != L"Excel.Application")
            << testing_support::Utf8(*server);

        excel.ClearLog();
        auto app = win::CreateObject(progId.c_str());
        EXPECT_EQ(Typed(Get(AsObject(Get(app.get(), L"Workbooks")).get(), L"Count")), "I4:0");
        Call(app.get(), L"Quit");
        for (const workflow::Call& call : excel.Calls()) {
            EXPECT_EQ(call.server, "Excel");
            EXPECT_EQ(call.className, testing_support::Utf8(progId)) << call.Brief();
        }
        EXPECT_EQ(excel.Calls().size(), 3u);
    }
    EXPECT_EQ(classIds.size(), 3u) << "a class id of its own for each name";
}

TEST_F(ServerProcessTest, AHiddenClassNameFailsAtOnceAndComesBackAfterwards) {
    CLSID clsid{};
    {
        workflow::HiddenClass noExcel(L"Excel.Application");
        EXPECT_EQ(::CLSIDFromProgID(L"Excel.Application", &clsid), CO_E_CLASSSTRING);
        EXPECT_EQ(FailureOf([] { win::CreateObject(L"Excel.Application"); }).hr, CO_E_CLASSSTRING);
        EXPECT_EQ(::CLSIDFromProgID(L"KET.Application", &clsid), S_OK) << "only the one name is gone";
    }
    {
        workflow::HiddenClass noSpreadsheet(workflow::kSpreadsheetClasses);
        for (const std::wstring& progId : workflow::kSpreadsheetClasses)
            EXPECT_EQ(::CLSIDFromProgID(progId.c_str(), &clsid), CO_E_CLASSSTRING) << testing_support::Utf8(progId);
        EXPECT_EQ(::CLSIDFromProgID(L"BarTender.Application", &clsid), S_OK);
    }
    for (const std::wstring& progId : workflow::kSpreadsheetClasses)
        EXPECT_EQ(::CLSIDFromProgID(progId.c_str(), &clsid), S_OK) << testing_support::Utf8(progId);
    auto app = win::CreateObject(L"Excel.Application");
    EXPECT_EQ(Typed(Get(app.get(), L"Visible")), "BOOL:false") << "created as before";
    Call(app.get(), L"Quit");
}

}  // namespace
