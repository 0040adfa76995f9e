#pragma once
// What the workflow benchmarks share: stand-in servers started by hand (so no measurement pays for
// COM starting a server), timing, and the stand-ins' own time from their call logs.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/workflow/Standins.h"

namespace bench {

// A stand-in in its persistent mode, stopped by its stop event at the end of the scope.
class RunningStandin {
public:
    RunningStandin(const std::wstring& exe, const std::wstring& server);
    ~RunningStandin();
    RunningStandin(const RunningStandin&) = delete;
    RunningStandin& operator=(const RunningStandin&) = delete;

private:
    std::wstring server_;
    PROCESS_INFORMATION process_{};
};

double NowMs();

// Processor time (user and kernel) a thread has used so far, in milliseconds.
double ThreadCpuMs(HANDLE thread);

// Time the stand-in spent inside the logged calls, in milliseconds.
double ServerMs(const std::vector<workflow::Call>& calls);

double Median(std::vector<double> values);

}  // namespace bench
