// Stand-in for the Excel automation server ("Excel.Application"), for tests and the demo. It reads
// .xlsx workbooks into memory and answers the members a shipping-list lookup uses, with Excel's
// semantics (see ExcelObjects.h); the only file it changes is a workbook Close(True) saves.
//
//   excel-standin.exe /regserver | /unregserver | -Embedding | /serve    as every stand-in
//   excel-standin.exe /operator [ready-file]                                 an Excel the operator
//       started by hand, found through the running-object table (see OperatorMode.h)
//
// Scenario switches, under HKCU\Software\LabelPrint\Standins\Excel, read at every call:
//   LogFile       REG_SZ  the call log (one JSON line per call)
//   RefuseCreate  DWORD   1: COM cannot create the application object
//   OpenFails     DWORD   1: Workbooks.Open fails with error 1004 (0x800A03EC) even for a good file
//   ResizeFails   DWORD   1: Range.Resize, the call that sizes the block to copy, fails with error 1004
//   FailMembers   REG_SZ  Object.Member names, separated by commas, that fail with error 1004, e.g.
//                         "Worksheet.Select,Workbook.Close"; objects are Application, Workbooks,
//                         Workbook, Worksheet and Range
//   SlowAt        REG_SZ  Object.Member names whose calls take SlowMs milliseconds (at most 60000)
//   SlowMs        DWORD   before they do their work, e.g. "Workbooks.Open"
//   DieAt         REG_SZ  Object.Member names: the process ends abruptly inside the first such call
//   BusyForMs     DWORD   refuse calls as busy for this many milliseconds (see BusyFilter.h)
//   OperatorWorkbook REG_SZ  a workbook the operator's instance has open, with unsaved changes, from
//                         its start (see OperatorMode.h)
#include <windows.h>

#include "standins/common/LocalServer.h"
#include "standins/excel/ExcelObjects.h"
#include "standins/excel/OperatorMode.h"

namespace {
// {A271ECCF-590B-4EF1-851E-EF42308600FF}: the stand-in's own class id.
constexpr CLSID kClsid = {0xa271eccf, 0x590b, 0x4ef1, {0x85, 0x1e, 0xef, 0x42, 0x30, 0x86, 0x00, 0xff}};
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    standin::ServerInfo info{L"Excel.Application", kClsid, L"Excel stand-in (tests and demo)", standin::kExcel,
                             standin::kExcelError, [] { return standin::NewExcelApplication(false); }, nullptr};
    info.extraMode = [&info](const std::wstring& line, int& exitCode) {
        return standin::RunOperatorMode(info, line, exitCode);
    };
    return standin::LocalServer::Run(info, commandLine ? commandLine : L"");
}
