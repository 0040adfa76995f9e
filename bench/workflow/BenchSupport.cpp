#include "bench/workflow/BenchSupport.h"

#include <algorithm>

#include "tests/support/TestFiles.h"

namespace bench {

RunningStandin::RunningStandin(const std::wstring& exe, const wchar_t* server)
    : server_(server), process_(testing_support::BinFolder() + L"\\" + exe, L"/serve") {
    ::Sleep(1000);  // until it has registered its class
}

RunningStandin::~RunningStandin() {
    workflow::StopStandin(server_);
    if (!process_.WaitForExit(5000)) ::TerminateProcess(process_.handle(), 0);
}

BenchSetup::BenchSetup(const std::wstring& name, const workflow::Settings& settings)
    : app(workflow::Start(name, settings)) {}

double NowMs() {
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double ThreadCpuMs(HANDLE thread) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0;
    auto ms = [](FILETIME t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

double ProcessCpuMs(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    auto ms = [](FILETIME t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

double ServerMs(const std::vector<workflow::Call>& calls) {
    long long total = 0;
    for (const workflow::Call& call : calls) total += call.t1 - call.t0;
    return double(total) / 1000.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace bench
