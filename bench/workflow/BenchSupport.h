#pragma once
// What the workflow benchmarks share: stand-in servers started by hand (so no measurement pays for
// COM starting a server), timing, and the stand-ins' own time from their call logs.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"
#include "win/ComApartment.h"

namespace bench {

// A stand-in in its persistent mode, stopped by its stop event at the end of the scope.
class RunningStandin {
public:
    RunningStandin(const std::wstring& exe, const wchar_t* server);
    ~RunningStandin();
    RunningStandin(const RunningStandin&) = delete;
    RunningStandin& operator=(const RunningStandin&) = delete;

private:
    const wchar_t* server_;
    workflow::Process process_;
};

// What a workflow benchmark runs against: both stand-ins started by hand with fresh call logs, and
// the program on the given settings with its window shown (throws when it does not show).
struct BenchSetup {
    BenchSetup(const std::wstring& name, const workflow::Settings& settings);

    win::ComApartment com;
    workflow::StandinScenario excelLog{L"Excel"};
    workflow::StandinScenario bartenderLog{L"BarTender"};
    RunningStandin excel{L"excel-standin.exe", L"Excel"};
    RunningStandin bartender{L"bartender-standin.exe", L"BarTender"};
    std::unique_ptr<workflow::LabelPrintApp> app;
};

double NowMs();

// Processor time (user and kernel) a thread, or all threads of a process, have used so far, in ms.
double ThreadCpuMs(HANDLE thread);
double ProcessCpuMs(HANDLE process);

// Time the stand-in spent inside the logged calls, in milliseconds.
double ServerMs(const std::vector<workflow::Call>& calls);

double Median(std::vector<double> values);

}  // namespace bench
