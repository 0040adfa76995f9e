#include "win/ServerProcess.h"

#include <objbase.h>
#include <tlhelp32.h>

#include <optional>
#include <vector>

#include "win/FilePath.h"
#include "win/GrowBuffer.h"

namespace win {

namespace {
constexpr DWORD kProcessAccess = PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;
constexpr DWORD kEndWaitMs = 5000;

std::wstring FileNameOf(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The program of a LocalServer32 command line: quoted, or up to the end of its ".exe".
std::wstring ProgramOf(const std::wstring& command) {
    if (command.empty()) return {};
    if (command[0] == L'"') {
        std::size_t close = command.find(L'"', 1);
        return close == std::wstring::npos ? command.substr(1) : command.substr(1, close - 1);
    }
    std::size_t exe = command.find(L".exe");
    if (exe == std::wstring::npos) exe = command.find(L".EXE");
    return exe == std::wstring::npos ? command.substr(0, command.find(L' ')) : command.substr(0, exe + 4);
}

std::optional<std::wstring> RegistryText(const std::wstring& key) {
    return GrowAndRetry<wchar_t>(
        [&](wchar_t* buffer, std::size_t capacity) -> std::optional<std::size_t> {
            DWORD bytes = static_cast<DWORD>(capacity * sizeof(wchar_t));
            LSTATUS status = ::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ,
                                            nullptr, buffer, &bytes);
            if (status != ERROR_SUCCESS) return std::nullopt;
            return bytes / sizeof(wchar_t) - (bytes >= sizeof(wchar_t) ? 1 : 0);
        },
        MAX_PATH, 32768);
}

// The program registered as the class's local server. Read from the registry as COM reads it, so that
// it also works on a thread that has not joined COM (a class name may point to its current version).
std::wstring ServerProgramOf(const wchar_t* progId) {
    std::wstring name = progId;
    std::optional<std::wstring> clsid = RegistryText(name + L"\\CLSID");
    if (!clsid) {
        std::optional<std::wstring> current = RegistryText(name + L"\\CurVer");
        if (current) clsid = RegistryText(*current + L"\\CLSID");
    }
    if (!clsid) return {};
    std::optional<std::wstring> command = RegistryText(L"CLSID\\" + *clsid + L"\\LocalServer32");
    return command ? ProgramOf(*command) : std::wstring();
}

std::wstring ImageOf(HANDLE process) {
    auto image = GrowAndRetry<wchar_t>(
        [&](wchar_t* buffer, std::size_t capacity) -> std::optional<std::size_t> {
            DWORD size = static_cast<DWORD>(capacity);
            if (!::QueryFullProcessImageNameW(process, 0, buffer, &size)) return std::nullopt;
            return size;
        },
        MAX_PATH, 32768);
    return image.value_or(std::wstring());
}
}  // namespace

ServerProcess::Creation::Creation(const wchar_t* progId) : serverProgram_(ServerProgramOf(progId)) {
    ::GetSystemTimeAsFileTime(&askedAt_);
}

bool ServerProcess::Creation::StartedSince(HANDLE process) const noexcept {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return false;
    return ::CompareFileTime(&created, &askedAt_) >= 0;
}

ServerProcess ServerProcess::Creation::OwnerOf(HWND window) const {
    DWORD pid = 0;
    if (!window || !::GetWindowThreadProcessId(window, &pid) || !pid || pid == ::GetCurrentProcessId()) return {};
    UniqueHandle process(::OpenProcess(kProcessAccess, FALSE, pid));
    if (!process || !StartedSince(process.get())) return {};
    return ServerProcess(std::move(process));
}

ServerProcess ServerProcess::Creation::Started() const {
    if (serverProgram_.empty()) return {};
    const std::wstring program = FileNameOf(serverProgram_);
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return {};
    std::vector<UniqueHandle> found;
    PROCESSENTRY32W entry{sizeof(entry)};
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        // The snapshot names only the file; the full image path and the start time decide.
        if (!SamePath(FileNameOf(entry.szExeFile), program)) continue;
        UniqueHandle process(::OpenProcess(kProcessAccess, FALSE, entry.th32ProcessID));
        if (!process || !StartedSince(process.get())) continue;
        if (!SamePath(ImageOf(process.get()), serverProgram_)) continue;
        found.push_back(std::move(process));
    }
    if (found.size() != 1) return {};
    return ServerProcess(std::move(found.front()));
}

bool ServerProcess::End() noexcept {
    if (!process_) return false;
    ::TerminateProcess(process_.get(), 1);
    return ::WaitForSingleObject(process_.get(), kEndWaitMs) == WAIT_OBJECT_0;
}

}  // namespace win
