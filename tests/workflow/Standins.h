#pragma once
// Scenario settings and call logs of the stand-in servers, as the workflow tests see them.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/Json.h"
#include "tests/support/TestFiles.h"
#include "tests/workflow/AppDriver.h"
#include "win/UniqueResource.h"

namespace workflow {

// One automation call as a stand-in recorded it. kind is get, put, call, refused (turned away as
// busy) or hung (arrived and never returns: the switch HangAt).
struct Call {
    std::string server;     // whose settings: "Excel", "BarTender"
    std::string className;  // the class the answering process serves: "Excel.Application", "KET.Application", ...
    DWORD pid = 0;          // the answering process
    std::string object, member, kind;
    std::vector<std::string> args;  // typed texts: "BSTR:abc", "I2:1", "BOOL:false", ...
    std::string result, hr, error;
    long long t0 = 0, t1 = 0;

    // "Application.Quit(I4:0)": enough to assert the order and the arguments of calls.
    std::string Brief() const;
};

// Gives one stand-in a clean set of switches and a fresh call log for the length of a test.
class StandinScenario {
public:
    explicit StandinScenario(const std::wstring& server);
    ~StandinScenario();
    StandinScenario(const StandinScenario&) = delete;
    StandinScenario& operator=(const StandinScenario&) = delete;

    void Set(const wchar_t* name, const std::wstring& value);
    void Set(const wchar_t* name, DWORD value);
    std::vector<Call> Calls() const;
    std::vector<std::string> Briefs() const;
    // "Object.Member" of each call the server answered (it may refuse calls while it is busy, and a
    // call it hangs in is never answered), and how many of them were to that one.
    std::vector<std::string> Answered() const;
    std::size_t Answered(const std::string& objectMember) const;
    std::string RawLog() const;
    void ClearLog() const;

protected:
    std::wstring server_;
    testing_support::TempDir dir_;
    std::wstring log_;
};

// The BarTender stand-in's scenario with its print records, one for each PrintOut that printed.
class BarTenderScenario : public StandinScenario {
public:
    BarTenderScenario();
    std::vector<testing_support::Json> Prints() const;

private:
    std::wstring prints_;
};

// An Excel the operator started by hand (the Excel stand-in in its operator mode), found running by
// the running-object table. Ended by its stop event (or, failing that, killed) if the test leaves it running.
class OperatorExcel {
public:
    explicit OperatorExcel(const std::wstring& readyFile = {});
    ~OperatorExcel();
    OperatorExcel(const OperatorExcel&) = delete;
    OperatorExcel& operator=(const OperatorExcel&) = delete;

    // Waits (as a guard against a hang, not as a measurement) until the instance says it is ready.
    bool WaitUntilReady() const;
    bool Ready() const;
    bool Exited(DWORD timeoutMs) const;
    DWORD ExitCode() const;
    void Stop() const;

private:
    win::UniqueHandle ready_;
    Process process_;
};

// The ids of the running processes of a stand-in ("excel-standin.exe").
std::vector<DWORD> StandinProcesses(const wchar_t* exe);
// Whether a process has ended within the time.
bool ProcessEnded(DWORD pid, DWORD timeoutMs);
// Sets a stand-in's stop event ("Excel", "BarTender"): the server ends as an application the operator
// closes does, while its clients still hold its objects.
void StopStandin(const wchar_t* server);

// Ends every stand-in server process still running (after a test had to kill the program, its
// servers would otherwise wait for it forever).
void EndStrayStandins();
// Ends one server process from outside, as the program ends a stuck server or the operator ends it in
// the task manager, and waits until it has gone; false when it could not be ended.
bool KillProcess(DWORD pid);

// The class names a spreadsheet answers to: Excel's, and WPS's current and older ones (all served by
// the Excel stand-in in the test prefix).
inline const std::vector<std::wstring> kSpreadsheetClasses{L"Excel.Application", L"KET.Application",
                                                           L"ET.Application"};

// Takes class names out of the test prefix for the length of a test, as on a PC where that
// application is not installed: CLSIDFromProgID then fails at once with CO_E_CLASSSTRING. They are put
// back when the object goes, however the test ends. A run that died while they were hidden leaves
// them saved in HKCU\Software\LabelPrint\HiddenClasses: the next HiddenClass of the same name takes
// that copy over and puts it back, and tools/prepare-prefix.sh registers everything afresh.
//   HiddenClass noExcel(L"Excel.Application");
//   HiddenClass noSpreadsheet(kSpreadsheetClasses);
class HiddenClass {
public:
    explicit HiddenClass(const wchar_t* progId);
    explicit HiddenClass(const std::vector<std::wstring>& progIds);
    ~HiddenClass();
    HiddenClass(const HiddenClass&) = delete;
    HiddenClass& operator=(const HiddenClass&) = delete;

private:
    std::vector<std::wstring> hidden_;
};

// Runs a stand-in with arguments (/regserver, /unregserver, ...) and waits for it.
DWORD RunStandin(const std::wstring& exe, const std::wstring& arguments);

// ---------------------------------------------------------------------------------------------
// What an open workbook shows from outside (see standins/excel/WorkbookFile.h).

// A workbook held open for editing by another station's Excel, for the length of the scope: the file
// is open for writing, others may read it but not write it. Excel's read-write Open of it then fails
// with error 1004 ("locked for editing"); a read-only Open reads it.
class LockedFile {
public:
    explicit LockedFile(const std::wstring& path);
    bool held() const noexcept { return static_cast<bool>(file_); }

private:
    win::UniqueFile file_;
};

// Whether a workbook is open on this PC: its file moniker is in the running-object table (the
// calling thread must be in a COM apartment).
bool InRunningObjectTable(const std::wstring& path);
// The owner file Excel writes beside a workbook it has open read-write: "~$清单.xlsx" for "清单.xlsx".
std::wstring OwnerFile(const std::wstring& path);

}  // namespace workflow
