#include "tests/workflow/Standins.h"

#include <tlhelp32.h>

#include "tests/support/Json.h"

namespace workflow {

namespace {
constexpr wchar_t kRoot[] = L"Software\\LabelPrint\\Standins\\";

LSTATUS SetValue(const std::wstring& server, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    win::UniqueRegKey key;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, (kRoot + server).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                       key.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    return ::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
}
}  // namespace

std::string Call::Brief() const {
    std::string out = object + "." + member + (kind == "put" ? "=" : "") + "(";
    for (size_t i = 0; i < args.size(); ++i) out += (i ? "," : "") + args[i];
    return out + ")";
}

std::vector<Call> ParseCallLog(const std::string& utf8Lines) {
    std::vector<Call> calls;
    for (const testing_support::Json& line : testing_support::ParseJsonLines(utf8Lines)) {
        Call call;
        call.server = line["server"].text;
        call.object = line["object"].text;
        call.member = line["member"].text;
        call.kind = line["kind"].text;
        for (const auto& arg : line["args"].items) call.args.push_back(arg.text);
        call.result = line["result"].text;
        call.hr = line["hr"].text;
        call.error = line["error"].text;
        call.t0 = line["t0"].Integer();
        call.t1 = line["t1"].Integer();
        calls.push_back(std::move(call));
    }
    return calls;
}

StandinScenario::StandinScenario(const std::wstring& server)
    : server_(server), dir_(L"standin-" + server), log_(dir_ / L"calls.log") {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, (kRoot + server_).c_str());
    Set(L"LogFile", log_);
}

StandinScenario::~StandinScenario() { ::RegDeleteTreeW(HKEY_CURRENT_USER, (kRoot + server_).c_str()); }

void StandinScenario::Set(const wchar_t* name, const std::wstring& value) {
    SetValue(server_, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void StandinScenario::Set(const wchar_t* name, DWORD value) { SetValue(server_, name, REG_DWORD, &value, sizeof(value)); }

std::string StandinScenario::RawLog() const { return testing_support::ReadBytes(log_); }

std::vector<Call> StandinScenario::Calls() const { return ParseCallLog(RawLog()); }

std::vector<std::string> StandinScenario::Briefs() const {
    std::vector<std::string> out;
    for (const Call& c : Calls()) out.push_back(c.Brief());
    return out;
}

void StandinScenario::ClearLog() const { ::DeleteFileW(log_.c_str()); }

OperatorExcel::OperatorExcel(const std::wstring& readyFile) {
    ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, L"LabelPrintStandin.Excel.Ready"));
    ::ResetEvent(ready_.get());
    std::wstring exe = testing_support::BinFolder() + L"\\excel-standin.exe";
    std::wstring commandLine = L"\"" + exe + L"\" /operator";
    if (!readyFile.empty()) commandLine += L" \"" + readyFile + L"\"";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(pi.hThread);
        process_.reset(pi.hProcess);
    }
}

OperatorExcel::~OperatorExcel() {
    if (process_ && !Exited(0)) {
        Stop();
        if (!Exited(10000)) ::TerminateProcess(process_.get(), 1);
    }
}

bool OperatorExcel::WaitUntilReady() const {
    return process_ && ::WaitForSingleObject(ready_.get(), 30000) == WAIT_OBJECT_0;
}
bool OperatorExcel::Ready() const { return ::WaitForSingleObject(ready_.get(), 0) == WAIT_OBJECT_0; }
bool OperatorExcel::Exited(DWORD timeoutMs) const {
    return process_ && ::WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD OperatorExcel::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_) ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

void OperatorExcel::Stop() const {
    win::UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, L"LabelPrintStandin.Excel.Stop"));
    if (stop) ::SetEvent(stop.get());
}

std::vector<DWORD> StandinProcesses(const wchar_t* exe) {
    std::vector<DWORD> ids;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W entry{sizeof(entry)};
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        if (::lstrcmpiW(entry.szExeFile, exe) == 0) ids.push_back(entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return ids;
}

bool ProcessEnded(DWORD pid, DWORD timeoutMs) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return true;
    bool ended = ::WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

void StopStandin(const wchar_t* server) {
    std::wstring name = std::wstring(L"LabelPrintStandin.") + server + L".Stop";
    if (HANDLE stop = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str())) {
        ::SetEvent(stop);
        ::CloseHandle(stop);
    }
}

void EndStrayStandins() {
    // Their stop events end them the orderly way: a server killed from outside stays registered with
    // Wine's COM, and nothing could create its class again for the rest of the session.
    for (const wchar_t* server : {L"BarTender", L"Excel"}) {
        std::wstring name = std::wstring(L"LabelPrintStandin.") + server + L".Stop";
        win::UniqueHandle stop(::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str()));
        if (stop) ::SetEvent(stop.get());
    }
    // A failed snapshot is INVALID_HANDLE_VALUE, as a failed CreateFile is.
    win::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32W entry{sizeof(entry)};
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        std::wstring name = entry.szExeFile;
        if (name != L"bartender-standin.exe" && name != L"excel-standin.exe") continue;
        win::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process) continue;
        if (::WaitForSingleObject(process.get(), 5000) != WAIT_OBJECT_0) ::TerminateProcess(process.get(), 98);
    }
}

DWORD RunStandin(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring path = testing_support::BinFolder() + L"\\" + exe;
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return static_cast<DWORD>(-1);
    win::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    ::WaitForSingleObject(process.get(), 30000);
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

}  // namespace workflow
