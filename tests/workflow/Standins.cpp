#include "tests/workflow/Standins.h"

#include <objbase.h>
#include <tlhelp32.h>

#include <algorithm>

#include "tests/support/Json.h"
#include "win/ComPtr.h"

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

std::vector<Call> StandinScenario::Calls() const {
    std::vector<Call> calls;
    for (const testing_support::Json& line : testing_support::ParseJsonLines(RawLog())) {
        Call call;
        call.server = line["server"].text;
        call.className = line["class"].text;
        call.pid = static_cast<DWORD>(line["pid"].Integer());
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

std::vector<std::string> StandinScenario::Briefs() const {
    std::vector<std::string> out;
    for (const Call& c : Calls()) out.push_back(c.Brief());
    return out;
}

std::vector<std::string> StandinScenario::Answered() const {
    std::vector<std::string> answered;
    for (const Call& call : Calls())
        if (call.kind != "refused" && call.kind != "hung") answered.push_back(call.object + "." + call.member);
    return answered;
}

std::size_t StandinScenario::Answered(const std::string& objectMember) const {
    std::vector<std::string> answered = Answered();
    return static_cast<std::size_t>(std::count(answered.begin(), answered.end(), objectMember));
}

void StandinScenario::ClearLog() const { ::DeleteFileW(log_.c_str()); }

BarTenderScenario::BarTenderScenario() : StandinScenario(L"BarTender"), prints_(dir_ / L"prints.log") {
    Set(L"PrintLog", prints_);
}

std::vector<testing_support::Json> BarTenderScenario::Prints() const {
    return testing_support::ParseJsonLines(testing_support::ReadBytes(prints_));
}

OperatorExcel::OperatorExcel(const std::wstring& readyFile) {
    ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, L"LabelPrintStandin.Excel.Ready"));
    ::ResetEvent(ready_.get());
    process_ = Process(testing_support::BinFolder() + L"\\excel-standin.exe",
                       L"/operator" + (readyFile.empty() ? L"" : L" \"" + readyFile + L"\""));
}

OperatorExcel::~OperatorExcel() {
    if (process_.Running()) {
        Stop();
        if (!Exited(10000)) ::TerminateProcess(process_.handle(), 1);
    }
}

bool OperatorExcel::WaitUntilReady() const { return ::WaitForSingleObject(ready_.get(), 30000) == WAIT_OBJECT_0; }
bool OperatorExcel::Ready() const { return ::WaitForSingleObject(ready_.get(), 0) == WAIT_OBJECT_0; }
bool OperatorExcel::Exited(DWORD timeoutMs) const { return process_.WaitForExit(timeoutMs); }
DWORD OperatorExcel::ExitCode() const { return process_.ExitCode(); }

void OperatorExcel::Stop() const { StopStandin(L"Excel"); }

std::vector<DWORD> StandinProcesses(const wchar_t* exe) {
    std::vector<DWORD> ids;
    // A failed snapshot is INVALID_HANDLE_VALUE, as a failed CreateFile is.
    win::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return ids;
    PROCESSENTRY32W entry{sizeof(entry)};
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        if (::lstrcmpiW(entry.szExeFile, exe) == 0) ids.push_back(entry.th32ProcessID);
    return ids;
}

bool ProcessEnded(DWORD pid, DWORD timeoutMs) {
    win::UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    return !process || ::WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
}

void StopStandin(const wchar_t* server) {
    std::wstring name = std::wstring(L"LabelPrintStandin.") + server + L".Stop";
    win::UniqueHandle stop(::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str()));
    if (stop) ::SetEvent(stop.get());
}

void EndStrayStandins() {
    // Their stop events end them the orderly way: a server started by hand (/serve) that is killed
    // from outside stays registered with Wine's COM, and nothing could create its class again for the
    // rest of the session. (A COM-started server is single-use and leaves nothing behind.)
    for (const wchar_t* server : {L"BarTender", L"Excel"}) StopStandin(server);
    for (const wchar_t* exe : {L"bartender-standin.exe", L"excel-standin.exe"}) {
        for (DWORD pid : StandinProcesses(exe)) {
            win::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
            if (process && ::WaitForSingleObject(process.get(), 5000) != WAIT_OBJECT_0)
                ::TerminateProcess(process.get(), 98);
        }
    }
}

bool KillProcess(DWORD pid) {
    win::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) return false;
    ::TerminateProcess(process.get(), 97);
    return ::WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
}

namespace {
constexpr wchar_t kHiddenRoot[] = L"Software\\LabelPrint\\HiddenClasses\\";

bool KeyExists(HKEY root, const std::wstring& path) {
    win::UniqueRegKey key;
    return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// Copies a key with everything under it to a new place, which is emptied first.
bool CopyKey(HKEY fromRoot, const std::wstring& from, HKEY toRoot, const std::wstring& to) {
    win::UniqueRegKey source, target;
    if (::RegOpenKeyExW(fromRoot, from.c_str(), 0, KEY_READ, source.put()) != ERROR_SUCCESS) return false;
    ::RegDeleteTreeW(toRoot, to.c_str());
    if (::RegCreateKeyExW(toRoot, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return ::RegCopyTreeW(source.get(), nullptr, target.get()) == ERROR_SUCCESS;
}
}  // namespace

HiddenClass::HiddenClass(const wchar_t* progId) : HiddenClass(std::vector<std::wstring>{progId}) {}

HiddenClass::HiddenClass(const std::vector<std::wstring>& progIds) {
    for (const std::wstring& progId : progIds) {
        const std::wstring saved = kHiddenRoot + progId;
        // Still hidden by a run that died: the saved copy is the registration to put back.
        if (!KeyExists(HKEY_CLASSES_ROOT, progId) && KeyExists(HKEY_CURRENT_USER, saved)) {
            hidden_.push_back(progId);
            continue;
        }
        if (!CopyKey(HKEY_CLASSES_ROOT, progId, HKEY_CURRENT_USER, saved)) continue;
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, progId.c_str());
        hidden_.push_back(progId);
    }
}

HiddenClass::~HiddenClass() {
    for (const std::wstring& progId : hidden_) {
        const std::wstring saved = kHiddenRoot + progId;
        if (CopyKey(HKEY_CURRENT_USER, saved, HKEY_CLASSES_ROOT, progId))
            ::RegDeleteTreeW(HKEY_CURRENT_USER, saved.c_str());
    }
}

DWORD RunStandin(const std::wstring& exe, const std::wstring& arguments) {
    Process standin(testing_support::BinFolder() + L"\\" + exe, arguments);
    standin.WaitForExit(30000);
    return standin.ExitCode();
}

// ---------------------------------------------------------------------------------------------
// What an open workbook shows from outside.

LockedFile::LockedFile(const std::wstring& path)
    : file_(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

bool InRunningObjectTable(const std::wstring& path) {
    win::ComPtr<IRunningObjectTable> table;
    win::ComPtr<IMoniker> moniker;
    if (FAILED(::GetRunningObjectTable(0, table.put())) || FAILED(::CreateFileMoniker(path.c_str(), moniker.put())))
        return false;
    return table->IsRunning(moniker.get()) == S_OK;
}

std::wstring OwnerFile(const std::wstring& path) {
    std::size_t folder = path.find_last_of(L"\\/") + 1;
    return path.substr(0, folder) + L"~$" + path.substr(folder);
}

}  // namespace workflow
