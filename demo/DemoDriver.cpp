// Plays the demo: starts labelprint.exe from the given folder, waits until its window is ready, and
// hands the window's screen position to run.sh for the screenshot.
//
//   demo-driver.exe <program folder> <ready file>
//
// When the window is ready it writes "left top width height" into the ready file and waits until
// run.sh deletes the file (the screenshot is taken), then ends the program with its exit button.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/Controls.h"

namespace {

HWND FindProgramWindow(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(hwnd, &pid);
            if (pid == s->pid && ::IsWindowVisible(hwnd) && ::GetDlgItem(hwnd, app::Command1)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: demo-driver.exe <program folder> <ready file>\n");
        return 2;
    }
    std::wstring folder = argv[1], ready = argv[2];
    std::wstring exe = folder + L"\\labelprint.exe";
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
        std::fprintf(stderr, "cannot start labelprint.exe\n");
        return 1;
    }
    HWND window = nullptr;
    for (int i = 0; i < 600 && !(window = FindProgramWindow(pi.dwProcessId)); ++i) {
        if (::WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;
    }
    if (!window) {
        std::fprintf(stderr, "the program did not show its window\n");
        return 1;
    }
    ::Sleep(500);  // let it paint

    RECT r{};
    ::GetWindowRect(window, &r);
    FILE* out = _wfopen(ready.c_str(), L"w");
    if (out) {
        std::fprintf(out, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fclose(out);
    }
    while (::GetFileAttributesW(ready.c_str()) != INVALID_FILE_ATTRIBUTES) ::Sleep(100);

    ::PostMessageW(::GetDlgItem(window, app::Command1), BM_CLICK, 0, 0);
    ::WaitForSingleObject(pi.hProcess, 10000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return 0;
}
