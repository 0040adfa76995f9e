#include "bench/workflow/BenchSupport.h"

#include <algorithm>

#include "tests/support/TestFiles.h"

namespace bench {

RunningStandin::RunningStandin(const std::wstring& exe, const std::wstring& server) : server_(server) {
    std::wstring path = testing_support::BinFolder() + L"\\" + exe;
    std::wstring commandLine = L"\"" + path + L"\" /serve";
    STARTUPINFOW si{sizeof(si)};
    ::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_);
    ::Sleep(1000);  // until it has registered its class
}

RunningStandin::~RunningStandin() {
    if (!process_.hProcess) return;
    std::wstring name = L"LabelPrintStandin." + server_ + L".Stop";
    if (HANDLE stop = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str())) {
        ::SetEvent(stop);
        ::CloseHandle(stop);
    }
    if (::WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) ::TerminateProcess(process_.hProcess, 0);
    ::CloseHandle(process_.hThread);
    ::CloseHandle(process_.hProcess);
}

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
