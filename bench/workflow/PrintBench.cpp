// Print benchmark: the program's own share of one print, from the click on 打印 to "打印完成" on the
// status line, minus the time of BarTender's calls: the stand-in's work inside them (from its call
// log) and what COM costs around them (the same calls replayed from this process, less the
// stand-in's work in the replay).
//
//   print_bench.exe [runs]
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/Controls.h"
#include "bench/workflow/BenchSupport.h"
#include "tests/support/TestFiles.h"
#include "tests/workflow/AppDriver.h"
#include "win/Dispatch.h"
#include "win/ObjectCreation.h"

using namespace bench;

namespace {

// A print's calls, made by this process against the running stand-in; returns milliseconds.
double ReplayPrintCalls(IDispatch* app, const std::wstring& label) {
    double start = NowMs();
    auto formats = win::AsObject(win::Get(app, L"Formats"));
    win::DispatchCache format(win::AsObject(win::Call(formats.get(), L"Open", label, false, L"")));
    win::Put(app, L"Visible", false);
    for (int n = 1; n <= 20; ++n) format.Call(L"SetNamedSubStringValue", std::to_wstring(n), L"文本" + std::to_wstring(n));
    format.Call(L"SetNamedSubStringValue", L"beiyong2", L"");
    format.Call(L"SetNamedSubStringValue", L"beiyong1", L"");
    format.Put(L"NumberSerializedLabels", 1);
    format.Put(L"IdenticalCopiesOfLabel", 1);
    format.Call(L"PrintOut", false, false);
    format.Call(L"Close", 1);
    return NowMs() - start;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 20;
    std::wstring label = testing_support::FixturePath(L"templates\\all-fields.btw");
    BenchSetup setup(
        L"print-bench",
        {.keyColumn = L"1", .workbook = testing_support::FixturePath(L"print.xlsx"), .labelTemplate = label});
    workflow::LabelPrintApp& app = *setup.app;
    workflow::StandinScenario& bartenderLog = setup.bartenderLog;
    if (!app.FindItem(L"P-TEXT")) return 1;

    auto bartenderApp = win::CreateObject(L"BarTender.Application");
    std::vector<double> totals, servers, coms, shares;
    for (int run = 0; run <= runs; ++run) {  // run 0 warms up
        app.SetText(app::StatusLine, L"");
        bartenderLog.ClearLog();
        double start = NowMs();
        app.PostClick(app::PrintButton);
        // Read without sending the window a message (that would make it answer in the middle of its
        // work), every millisecond.
        auto statusLine = [&] {
            wchar_t text[64] = {};
            ::GetWindowTextW(app.Control(app::StatusLine), text, 64);
            return std::wstring(text);
        };
        if (!workflow::WaitUntil([&] { return statusLine() == L"打印完成"; }, 20000, 1)) {
            std::fprintf(stderr, "the print did not finish\n");
            return 1;
        }
        double total = NowMs() - start;
        double server = ServerMs(bartenderLog.Calls());
        bartenderLog.ClearLog();
        double comMs = ReplayPrintCalls(bartenderApp.get(), label) - ServerMs(bartenderLog.Calls());
        if (run == 0) continue;
        totals.push_back(total);
        servers.push_back(server);
        coms.push_back(comMs);
        shares.push_back(total - server - comMs);
    }
    std::printf("one print of one label (27 calls to BarTender), median of %d runs\n", runs);
    std::printf("  click to the status line           %7.2f ms\n", Median(totals));
    std::printf("  inside the stand-in's calls        %7.2f ms\n", Median(servers));
    std::printf("  COM around those calls             %7.2f ms\n", Median(coms));
    std::printf("  the program's own share            %7.2f ms (goal: at most 10 ms)\n", Median(shares));
    app.PostClick(app::ExitButton);
    app.WaitForExit();
    return 0;
}
