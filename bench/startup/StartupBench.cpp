// Start-up benchmark: time from process start to the window being ready (visible, every control
// created), for labelprint.exe and for a bare Win32 window started the same way in the same run.
// BarTender's stand-in runs already, as an installed BarTender would be registered and quick to answer.
//
//   startup_bench.exe [runs [program.exe yardstick.exe]]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"

using namespace testing_support;

namespace {

struct Target {
    std::wstring exe;
};

HWND FindReady(DWORD pid, const Target& target) {
    struct Search {
        DWORD pid;
        const Target* target;
        HWND found;
    } search{pid, &target, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(hwnd, &pid);
            // Both programs create every control before they show their window.
            if (pid != s->pid || !::IsWindowVisible(hwnd) || !::GetWindow(hwnd, GW_CHILD)) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return double(to.QuadPart - from.QuadPart) / double(f.QuadPart);
}

// One start: returns seconds to ready, or a negative value on failure.
double TimeOneStart(const Target& target, const std::wstring& folder) {
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + target.exe + L"\"";
    LARGE_INTEGER start, ready;
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessW(target.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                          &si, &pi))
        return -1;
    HWND window = nullptr;
    for (int i = 0; i < 30000 && !(window = FindReady(pi.dwProcessId, target)); ++i) ::Sleep(1);
    ::QueryPerformanceCounter(&ready);
    if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return window ? Seconds(start, ready) : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 15;
    std::wstring bin = BinFolder();

    // A persistent BarTender stand-in, so the program does not pay for starting a server each time.
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION server{};
    std::wstring serverLine = L"\"" + bin + L"\\bartender-standin.exe\" /serve";
    if (!::CreateProcessW(nullptr, serverLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &server)) {
        std::fprintf(stderr, "cannot start the BarTender stand-in\n");
        return 1;
    }
    ::Sleep(1000);

    TempDir dir(L"startup-bench");
    ::CopyFileW((bin + L"\\labelprint.exe").c_str(), (dir / L"labelprint.exe").c_str(), FALSE);
    Target program{argc > 3 ? argv[2] : dir / L"labelprint.exe"};
    Target bare{argc > 3 ? argv[3] : bin + L"\\bare_window.exe"};

    // Warm both once (disk cache, Wine's DLL loading), then alternate so both see the same machine.
    TimeOneStart(program, dir.path());
    TimeOneStart(bare, dir.path());
    std::vector<double> programTimes, bareTimes;
    for (int i = 0; i < runs; ++i) {
        double p = TimeOneStart(program, dir.path());
        double b = TimeOneStart(bare, dir.path());
        if (p > 0) programTimes.push_back(p);
        if (b > 0) bareTimes.push_back(b);
    }

    HANDLE stop = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, L"LabelPrintStandin.BarTender.Stop");
    if (stop) {
        ::SetEvent(stop);
        ::CloseHandle(stop);
    }
    if (::WaitForSingleObject(server.hProcess, 5000) != WAIT_OBJECT_0) ::TerminateProcess(server.hProcess, 0);
    ::CloseHandle(server.hThread);
    ::CloseHandle(server.hProcess);

    if (programTimes.empty() || bareTimes.empty()) {
        std::fprintf(stderr, "a start did not reach its window\n");
        return 1;
    }
    double p = Median(programTimes), b = Median(bareTimes);
    std::printf("start-up to window ready, median of %d runs\n", runs);
    std::printf("  labelprint.exe  %7.1f ms\n", p * 1000);
    std::printf("  bare window     %7.1f ms\n", b * 1000);
    std::printf("  ratio           %7.2fx (goal: at most 1.50x)\n", p / b);
    return 0;
}
